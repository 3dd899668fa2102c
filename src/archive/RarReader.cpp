#include "archive/RarReader.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CORVALIN_WORKER_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define CORVALIN_WORKER_SANITIZED 1
#endif
#ifdef CORVALIN_WORKER_SANITIZED
#include <sanitizer/common_interface_defs.h>
#endif

#include "archive/MemberNames.h"
#include "archive/RarSession.h"
#include "base/ByteReader.h"

namespace corvalin {
namespace {

static_assert(VEMRar::kMaxPasswordAsks == RarSession::kMaxPasswordAsks);
static_assert(VEMRar::kMaxVolumeAsks == RarSession::kMaxVolumeAsks);

// The conversation with the worker: each message is a type byte, a 32-bit little-endian
// length and that many bytes. Strings inside are a 32-bit length and the bytes; numbers are
// little-endian. The worker only ever answers the request it was given, asking questions or
// reporting errors on the way.
enum : uint8_t {
    // to the worker
    kOpen = 1,    // archive path
    kReadHeader,  // -
    kSkip,        // -
    kExtract,     // target path
    kAnswer,      // has answer (u8), answer
    // from the worker
    kAskPassword = 16,  // archive name, member name
    kAskVolume,         // volume path
    kReportError,       // member name, message
    kOpened,            // ok (u8)
    kHeader,            // has header (u8), name, size (u64), encrypted (u8)
    kSkipped,           // -
    kExtracted,         // verdict kind (u8), field, message, path
};

// Nothing the worker says is longer: names and paths of a few KB, messages of a line.
constexpr uint32_t kMaxMessageBytes = 1 << 20;

struct Payload {
    std::string bytes;
    Payload& U8(uint8_t value) {
        bytes += char(value);
        return *this;
    }
    Payload& U64(uint64_t value) {
        for (int i = 0; i < 8; ++i) bytes += char(value >> (8 * i));
        return *this;
    }
    Payload& Str(std::string_view text) {
        const auto length = uint32_t(std::min<size_t>(text.size(), kMaxMessageBytes / 2));
        for (int i = 0; i < 4; ++i) bytes += char(length >> (8 * i));
        bytes.append(text.data(), length);
        return *this;
    }
};

std::string ReadStr(ByteReader& reader) { return std::string(reader.TakeChars(reader.U32LE())); }

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

bool ReceiveAll(int fd, char* data, size_t size) {
    while (size > 0) {
        const ssize_t got = ::recv(fd, data, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        data += got;
        size -= size_t(got);
    }
    return true;
}

bool SendMessage(int fd, uint8_t type, const std::string& payload) {
    char header[5] = {char(type)};
    StoreU32LE(reinterpret_cast<uint8_t*>(header + 1), uint32_t(payload.size()));
    return SendAll(fd, header, sizeof header) && SendAll(fd, payload.data(), payload.size());
}

std::optional<std::pair<uint8_t, std::string>> ReceiveMessage(int fd) {
    uint8_t header[5];
    if (!ReceiveAll(fd, reinterpret_cast<char*>(header), sizeof header)) return std::nullopt;
    const uint32_t length = LoadU32LE(header + 1);
    if (length > kMaxMessageBytes) return std::nullopt;
    std::string payload(length, '\0');
    if (!ReceiveAll(fd, payload.data(), length)) return std::nullopt;
    return std::make_pair(header[0], std::move(payload));
}

// The worker's side of the questions: each one goes to the program and waits for its answer.
class WorkerQuestions final : public ArchiveQuestions {
public:
    explicit WorkerQuestions(int fd) : fd_(fd) {}
    std::optional<std::string> AskPassword(const std::string& archiveName,
                                           const std::string& memberName) override {
        return Ask(kAskPassword, Payload().Str(archiveName).Str(memberName).bytes);
    }
    std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path& volume) override {
        std::optional<std::string> answer = Ask(kAskVolume, Payload().Str(volume.string()).bytes);
        if (!answer) return std::nullopt;
        return std::filesystem::path(*answer);
    }
    void ReportError(const std::string& memberName, const std::string& message) override {
        if (!SendMessage(fd_, kReportError, Payload().Str(memberName).Str(message).bytes)) _exit(1);
    }

private:
    std::optional<std::string> Ask(uint8_t type, const std::string& payload) {
        if (!SendMessage(fd_, type, payload)) _exit(1);
        const std::optional<std::pair<uint8_t, std::string>> reply = ReceiveMessage(fd_);
        if (!reply || reply->first != kAnswer) _exit(1);
        ByteReader reader(reply->second.data(), reply->second.size());
        const bool has = reader.U8() != 0;
        std::string answer = ReadStr(reader);
        if (!reader.Ok()) _exit(1);
        if (!has) return std::nullopt;
        return answer;
    }
    int fd_;
};

// The worker process: serves one archive until the program closes it or goes away. It ends
// with _exit, so nothing of the program it was forked from (its buffers, its exit handlers)
// runs twice.
[[noreturn]] void RunWorker(int fd) {
#ifdef CORVALIN_WORKER_SANITIZED
    // A death of the worker is expected and handled by the program; a crash handler the
    // program installed (a fuzzer's, which saves the input as a crash) must not take it for
    // its own.
    __sanitizer_set_death_callback(nullptr);
#endif
    WorkerQuestions questions(fd);
    RarSession session(&questions);
    for (;;) {
        const std::optional<std::pair<uint8_t, std::string>> request = ReceiveMessage(fd);
        if (!request) _exit(0);
        ByteReader reader(request->second.data(), request->second.size());
        Payload reply;
        uint8_t replyType = 0;
        switch (request->first) {
            case kOpen: {
                const std::string archive = ReadStr(reader);
                if (!reader.Ok()) _exit(1);
                reply.U8(session.Open(archive) ? 1 : 0);
                replyType = kOpened;
                break;
            }
            case kReadHeader: {
                const std::optional<RarHeader> header = session.ReadHeader();
                reply.U8(header ? 1 : 0);
                reply.Str(header ? header->name : "").U64(header ? header->uncompressedSize : 0);
                reply.U8(header && header->encrypted ? 1 : 0);
                replyType = kHeader;
                break;
            }
            case kSkip:
                session.Skip();
                replyType = kSkipped;
                break;
            case kExtract: {
                const std::string target = ReadStr(reader);
                if (!reader.Ok()) _exit(1);
                const ExtractResult result = session.Extract(target);
                reply.U8(uint8_t(result.verdict.kind)).Str(result.verdict.field).Str(result.verdict.message);
                reply.Str(result.path.string());
                replyType = kExtracted;
                break;
            }
            default:
                _exit(1);
        }
        if (!SendMessage(fd, replyType, reply.bytes)) _exit(1);
    }
}

}  // namespace

VEMRar::~VEMRar() { Close(); }

std::string VEMRar::ErrorMessage(int code) { return RarSession::ErrorMessage(code); }

bool VEMRar::StartWorker() {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return false;
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::close(fds[0]);
        RunWorker(fds[1]);
    }
    ::close(fds[1]);
    socket_ = fds[0];
    worker_ = pid;
    return true;
}

void VEMRar::StopWorker() {
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
    if (worker_ > 0) {
        // The worker keeps nothing worth waiting for between requests.
        ::kill(worker_, SIGKILL);
        while (::waitpid(worker_, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    worker_ = -1;
}

std::optional<VEMRar::Message> VEMRar::Exchange(uint8_t request, const std::string& payload) {
    if (socket_ < 0) return std::nullopt;
    if (!SendMessage(socket_, request, payload)) {
        StopWorker();
        return std::nullopt;
    }
    for (;;) {
        std::optional<Message> message = ReceiveMessage(socket_);
        if (!message) {
            StopWorker();
            return std::nullopt;
        }
        ByteReader reader(message->second.data(), message->second.size());
        if (message->first == kAskPassword) {
            const std::string archive = ReadStr(reader);
            const std::string member = ReadStr(reader);
            if (!reader.Ok()) break;
            const std::optional<std::string> answer =
                questions_ ? questions_->AskPassword(archive, MemberNameToUtf8(member)) : std::nullopt;
            if (!SendMessage(socket_, kAnswer, Payload().U8(answer ? 1 : 0).Str(answer.value_or("")).bytes))
                break;
        } else if (message->first == kAskVolume) {
            const std::string volume = ReadStr(reader);
            if (!reader.Ok()) break;
            const std::optional<std::filesystem::path> answer =
                questions_ ? questions_->AskNextVolume(volume) : std::nullopt;
            if (!SendMessage(socket_, kAnswer,
                             Payload().U8(answer ? 1 : 0).Str(answer ? answer->string() : "").bytes))
                break;
        } else if (message->first == kReportError) {
            const std::string member = ReadStr(reader);
            const std::string text = ReadStr(reader);
            if (!reader.Ok()) break;
            if (questions_) questions_->ReportError(MemberNameToUtf8(member), text);
        } else {
            return message;
        }
    }
    StopWorker();
    return std::nullopt;
}

bool VEMRar::Open(const std::filesystem::path& archive, const std::filesystem::path& destination) {
    Close();
    destination_ = destination;
    if (!StartWorker()) return false;
    const std::optional<Message> reply = Exchange(kOpen, Payload().Str(archive.string()).bytes);
    if (!reply || reply->first != kOpened || reply->second != std::string(1, '\1')) {
        Close();
        return false;
    }
    state_ = State::NeedHeader;
    return ReadHeader().has_value();
}

std::optional<ArchiveMember> VEMRar::ReadHeader() {
    if (state_ == State::NeedHeader) {
        const std::optional<Message> reply = Exchange(kReadHeader, {});
        if (!reply || reply->first != kHeader) {
            Close();
            return std::nullopt;
        }
        ByteReader reader(reply->second.data(), reply->second.size());
        const bool has = reader.U8() != 0;
        const std::string name = ReadStr(reader);
        const uint64_t size = reader.U64LE();
        const bool encrypted = reader.U8() != 0;
        if (!reader.Ok() || !has) {
            Close();
            return std::nullopt;
        }
        fullName_ = MemberNameToUtf8(name);
        current_ = ArchiveMember{fullName_, size, encrypted};
        // Cut at a character, not inside one.
        size_t chars = 0;
        for (size_t i = 0; i < current_.name.size(); ++i) {
            if ((static_cast<unsigned char>(current_.name[i]) & 0xC0) == 0x80) continue;
            if (chars++ == kMaxNameChars) {
                current_.name.resize(i);
                break;
            }
        }
        state_ = State::HeaderCurrent;
    }
    if (state_ != State::HeaderCurrent) return std::nullopt;
    return current_;
}

void VEMRar::Skip() {
    if (state_ != State::HeaderCurrent) return;
    state_ = State::NeedHeader;
    const std::optional<Message> reply = Exchange(kSkip, {});
    if (!reply || reply->first != kSkipped) Close();
}

ExtractResult VEMRar::Extract() {
    if (state_ != State::HeaderCurrent)
        return {{}, Verdict::Bad(VerdictKind::Damaged, "member header", "RAR archive: no current member")};
    const std::optional<std::string> fileName = SafeMemberFileName(fullName_);
    if (!fileName) {
        Skip();
        return {{},
                Verdict::Bad(VerdictKind::Unsupported, "member name",
                             "RAR member \"" + current_.name + "\" has no name that can be written")};
    }
    state_ = State::NeedHeader;
    const std::filesystem::path target = destination_ / *fileName;
    const std::optional<Message> reply = Exchange(kExtract, Payload().Str(target.string()).bytes);
    if (reply && reply->first == kExtracted) {
        ByteReader reader(reply->second.data(), reply->second.size());
        const uint8_t kind = reader.U8();
        std::string field = ReadStr(reader);
        std::string message = ReadStr(reader);
        const std::string path = ReadStr(reader);
        if (reader.Ok() && kind <= uint8_t(VerdictKind::Encrypted) &&
            (path.empty() || path == target.string())) {
            if (VerdictKind(kind) == VerdictKind::Ok && path == target.string())
                return {target, Verdict::Good()};
            if (VerdictKind(kind) != VerdictKind::Ok && path.empty())
                return {{}, Verdict::Bad(VerdictKind(kind), std::move(field), std::move(message))};
        }
    }
    // The worker died (or answered nonsense) in the middle of the member: whatever it left is
    // removed, and the archive offers nothing more.
    Close();
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
    const std::string text = ErrorMessage(-1);
    if (questions_) questions_->ReportError(current_.name, text);
    return {{},
            Verdict::Bad(VerdictKind::Damaged, "member data",
                         "RAR: the library stopped on member \"" + current_.name + "\" (" + text + ")")};
}

void VEMRar::Close() {
    StopWorker();
    state_ = State::Closed;
}

}  // namespace corvalin
