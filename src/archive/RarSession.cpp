#include "archive/RarSession.h"

// The library's header is written for Windows; _UNIX gives it the Unix spellings of its types.
#ifndef _UNIX
#define _UNIX
#endif
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <memory>
#include <unrar/dll.hpp>
#include <vector>

#include "archive/MemberOutput.h"

namespace corvalin {
namespace {

constexpr unsigned kCommentBytes = 256;
// Volume names are handed to us in a buffer of the library's largest name (2048 characters);
// an answer is written back only when it fits well inside it.
constexpr size_t kMaxVolumeNameChars = 1023;

std::string WideToUtf8(const wchar_t* text, size_t maxChars) {
    std::string out;
    for (size_t i = 0; i < maxChars && text[i] != 0; ++i) {
        uint32_t point = static_cast<uint32_t>(text[i]);
        if (point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) point = 0xFFFD;
        if (point < 0x80) {
            out += char(point);
        } else if (point < 0x800) {
            out += char(0xC0 | point >> 6);
            out += char(0x80 | (point & 0x3F));
        } else if (point < 0x10000) {
            out += char(0xE0 | point >> 12);
            out += char(0x80 | (point >> 6 & 0x3F));
            out += char(0x80 | (point & 0x3F));
        } else {
            out += char(0xF0 | point >> 18);
            out += char(0x80 | (point >> 12 & 0x3F));
            out += char(0x80 | (point >> 6 & 0x3F));
            out += char(0x80 | (point & 0x3F));
        }
    }
    return out;
}

// UTF-8 (or bytes that are not, one character each) as wide characters.
std::wstring Utf8ToWide(const std::string& text) {
    std::wstring out;
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80             ? 1
                              : (lead & 0xE0) == 0xC0 ? 2
                              : (lead & 0xF0) == 0xE0 ? 3
                              : (lead & 0xF8) == 0xF0 ? 4
                                                      : 0;
        uint32_t point = length == 1   ? lead
                         : length == 2 ? lead & 0x1F
                         : length == 3 ? lead & 0x0F
                                       : lead & 0x07;
        bool valid = length != 0 && text.size() - i >= length;
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            point = point << 6 | (next & 0x3F);
        }
        if (!valid) {
            out += wchar_t(lead);
            ++i;
            continue;
        }
        out += wchar_t(point);
        i += length;
    }
    return out;
}

// Writes `text` into a wide buffer of `capacity` characters, cut to leave room for the end mark.
void CopyWide(const std::wstring& text, wchar_t* buffer, size_t capacity) {
    if (capacity == 0) return;
    const size_t count = std::min(text.size(), capacity - 1);
    std::wmemcpy(buffer, text.data(), count);
    buffer[count] = 0;
}

}  // namespace

// The library calls one function for every question; `UserData` is the session.
struct RarSession::Callbacks {
    static int CALLBACK Handle(UINT message, LPARAM userData, LPARAM p1, LPARAM p2) {
        auto* session = reinterpret_cast<RarSession*>(userData);
        switch (message) {
            case UCM_CHANGEVOLUMEW:
                return ChangeVolume(*session, reinterpret_cast<wchar_t*>(p1), p2, true);
            case UCM_CHANGEVOLUME:
                return ChangeVolume(*session, nullptr, p2, false);
            case UCM_NEEDPASSWORDW:
                return NeedPassword(*session, reinterpret_cast<wchar_t*>(p1), size_t(p2));
            case UCM_NEEDPASSWORD:
                // Asked only when the wide question got no answer: that answer was Cancel.
                return -1;
            case UCM_PROCESSDATA: {
                if (session->output_ == nullptr || p2 < 0) return -1;
                const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(p1), size_t(p2));
                if (!session->output_->Write(bytes)) {
                    session->outputFailed_ = true;
                    return -1;
                }
                return 1;
            }
            default:
                return 0;
        }
    }

    // The library asks for the wide name first and, when that comes back unchanged, for the
    // 8-bit one: the person is asked once, on the wide question.
    static int ChangeVolume(RarSession& session, wchar_t* name, LPARAM mode, bool wide) {
        if (mode != RAR_VOL_ASK) {
            // The next volume was found and opened: questions about it start afresh.
            session.volumeAsks_ = 0;
            return 1;
        }
        if (!wide) {
            if (session.volumeAskedWide_) {
                session.volumeAskedWide_ = false;
                return 1;
            }
            return -1;
        }
        session.volumeAskedWide_ = false;
        if (session.questions_ == nullptr || ++session.volumeAsks_ > kMaxVolumeAsks) {
            session.volumeRefused_ = true;
            return -1;
        }
        const std::string volume = WideToUtf8(name, kMaxVolumeNameChars + 1);
        const std::optional<std::filesystem::path> answer =
            session.questions_->AskNextVolume(std::filesystem::path(volume));
        if (!answer || answer->empty()) {
            session.volumeRefused_ = true;
            return -1;
        }
        const std::wstring path = Utf8ToWide(answer->string());
        if (path.size() > kMaxVolumeNameChars) {
            session.volumeRefused_ = true;
            return -1;
        }
        CopyWide(path, name, kMaxVolumeNameChars + 1);
        session.volumeAskedWide_ = true;
        return 1;
    }

    static int NeedPassword(RarSession& session, wchar_t* buffer, size_t capacity) {
        if (!session.knownPassword_.empty()) {
            CopyWide(Utf8ToWide(session.knownPassword_), buffer, capacity);
            session.lastPassword_ = session.knownPassword_;
            session.knownPassword_.clear();
            return 1;
        }
        if (session.passwordRefused_ || session.questions_ == nullptr ||
            session.passwordAsks_ >= kMaxPasswordAsks) {
            session.passwordRefused_ = true;
            return -1;
        }
        ++session.passwordAsks_;
        const std::optional<std::string> answer =
            session.questions_->AskPassword(session.archivePath_.filename().string(), session.currentName_);
        if (!answer || answer->empty()) {
            session.passwordRefused_ = true;
            return -1;
        }
        CopyWide(Utf8ToWide(*answer), buffer, capacity);
        session.lastPassword_ = *answer;
        return 1;
    }
};

std::string RarSession::ErrorMessage(int code) {
    switch (code) {
        case ERAR_BAD_DATA:
            return "File CRC error";
        case ERAR_BAD_ARCHIVE:
            return "Volume is not valid RAR archive";
        case ERAR_UNKNOWN_FORMAT:
            return "Unknown archive format";
        case ERAR_EOPEN:
            return "Volume open error";
        case ERAR_ECREATE:
            return "File create error";
        case ERAR_ECLOSE:
            return "File close error";
        case ERAR_EREAD:
            return "Read error";
        case ERAR_EWRITE:
            return "Write error";
        default:
            return "Unknown Error";
    }
}

RarSession::~RarSession() { Close(); }

bool RarSession::Open(const std::filesystem::path& archive) {
    Close();
    archivePath_ = archive;
    headerPassword_.clear();
    current_ = RarHeader{};
    currentName_.clear();
    passwordAsks_ = 0;
    passwordRefused_ = false;
    if (!OpenHandle()) return false;
    state_ = State::NeedHeader;
    return true;
}

bool RarSession::OpenHandle() {
    for (;;) {
        std::string name = archivePath_.string();
        std::vector<char> comment(kCommentBytes);
        RAROpenArchiveDataEx data{};
        data.ArcName = name.data();
        data.OpenMode = RAR_OM_EXTRACT;
        data.CmtBuf = comment.data();
        data.CmtBufSize = kCommentBytes;
        data.Callback = &Callbacks::Handle;
        data.UserData = reinterpret_cast<LPARAM>(this);
        lastPassword_.clear();
        HANDLE handle = RAROpenArchiveEx(&data);
        if (handle != nullptr && data.OpenResult == ERAR_SUCCESS) {
            handle_ = handle;
            headerIndex_ = 0;
            if (data.Flags & ROADF_ENCHEADERS) headerPassword_ = lastPassword_;
            return true;
        }
        if (handle != nullptr) RARCloseArchive(handle);
        // Encrypted headers with a wrong password: ask again, as for a member.
        if (data.OpenResult != ERAR_BAD_PASSWORD || passwordRefused_ || passwordAsks_ >= kMaxPasswordAsks)
            return false;
    }
}

void RarSession::CloseHandle() {
    if (handle_ != nullptr) RARCloseArchive(handle_);
    handle_ = nullptr;
}

void RarSession::Close() {
    CloseHandle();
    state_ = State::Closed;
}

bool RarSession::ReadRawHeader(std::string& name, uint32_t& flags, uint64_t& size) {
    auto header = std::make_unique<RARHeaderDataEx>();
    if (RARReadHeaderEx(handle_, header.get()) != ERAR_SUCCESS) return false;
    ++headerIndex_;
    header->FileNameW[std::size(header->FileNameW) - 1] = 0;
    name = header->FileNameW[0] != 0
               ? WideToUtf8(header->FileNameW, std::size(header->FileNameW))
               : std::string(header->FileName, strnlen(header->FileName, std::size(header->FileName)));
    flags = header->Flags;
    size = uint64_t(header->UnpSizeHigh) << 32 | header->UnpSize;
    return true;
}

std::optional<RarHeader> RarSession::ReadHeader() {
    while (state_ == State::NeedHeader) {
        std::string name;
        uint32_t flags = 0;
        uint64_t size = 0;
        if (!ReadRawHeader(name, flags, size)) {
            Close();
            break;
        }
        // Directories are not members; nor is the continuation of a member from the previous
        // volume, which the library shows as a header of its own when data is skipped.
        if ((flags & RHDF_DIRECTORY) || (flags & RHDF_SPLITBEFORE)) {
            if (RARProcessFile(handle_, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS) Close();
            continue;
        }
        current_ = RarHeader{name, size, (flags & RHDF_ENCRYPTED) != 0};
        currentName_ = name;
        state_ = State::HeaderCurrent;
    }
    if (state_ != State::HeaderCurrent) return std::nullopt;
    return current_;
}

void RarSession::Skip() {
    if (state_ != State::HeaderCurrent) return;
    state_ = State::NeedHeader;
    volumeAsks_ = 0;
    volumeRefused_ = false;
    if (RARProcessFile(handle_, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS) Close();
}

bool RarSession::ReopenAt(uint64_t headerIndex) {
    CloseHandle();
    knownPassword_ = headerPassword_;
    if (!OpenHandle()) return false;
    std::string name;
    uint32_t flags = 0;
    uint64_t size = 0;
    while (headerIndex_ + 1 < headerIndex) {
        if (!ReadRawHeader(name, flags, size) ||
            RARProcessFile(handle_, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS)
            return false;
    }
    if (!ReadRawHeader(name, flags, size) || name != currentName_) return false;
    // Forget the password that failed, so the library asks again.
    char empty[] = "";
    RARSetPassword(handle_, empty);
    return true;
}

ExtractResult RarSession::Fail(Verdict verdict, const std::string& reportedMessage) {
    if (!reportedMessage.empty() && questions_ != nullptr)
        questions_->ReportError(currentName_, reportedMessage);
    return {{}, std::move(verdict)};
}

ExtractResult RarSession::Extract(const std::filesystem::path& target) {
    if (state_ != State::HeaderCurrent)
        return {{}, Verdict::Bad(VerdictKind::Damaged, "member header", "RAR archive: no current member")};
    state_ = State::NeedHeader;
    std::error_code ignored;
    if (std::filesystem::is_symlink(target, ignored) || std::filesystem::is_regular_file(target, ignored))
        std::filesystem::remove(target, ignored);

    MemberOutput output;
    passwordAsks_ = 0;
    passwordRefused_ = false;
    volumeAsks_ = 0;
    volumeRefused_ = false;
    const uint64_t memberHeader = headerIndex_;
    int result = ERAR_SUCCESS;
    for (;;) {
        if (!output.Create(target, current_.uncompressedSize)) {
            if (handle_ != nullptr && RARProcessFile(handle_, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS)
                Close();
            return Fail(output.Failure(), ErrorMessage(ERAR_ECREATE));
        }
        output_ = &output;
        outputFailed_ = false;
        // Test mode decodes and checks the member and hands every piece to the data callback,
        // without the library writing a file of its own.
        result = RARProcessFile(handle_, RAR_TEST, nullptr, nullptr);
        output_ = nullptr;
        const bool askAgain = (result == ERAR_BAD_PASSWORD) && !passwordRefused_ &&
                              passwordAsks_ < kMaxPasswordAsks && questions_ != nullptr;
        if (!askAgain) break;
        output.Abandon();
        // The library has passed the member by now; open the archive again at it.
        if (!ReopenAt(memberHeader)) {
            Close();
            return {{},
                    Verdict::Bad(VerdictKind::Damaged, "archive", "RAR archive could not be opened again")};
        }
    }
    if (result == ERAR_SUCCESS) return output.Finish(Verdict::Good());
    if (outputFailed_) {
        Close();
        const Verdict failure = output.Failure();
        output.Abandon();
        return Fail(failure, ErrorMessage(ERAR_EWRITE));
    }
    output.Abandon();
    if (result == ERAR_MISSING_PASSWORD || result == ERAR_BAD_PASSWORD) {
        // Cancel (or a password still wrong after the last try) skips this member only. The
        // library reads no further header after a refused password, so the archive is opened
        // again behind the member.
        if (!ReopenAt(memberHeader) || RARProcessFile(handle_, RAR_SKIP, nullptr, nullptr) != ERAR_SUCCESS)
            Close();
        return {{},
                Verdict::Bad(VerdictKind::Encrypted, "password",
                             "RAR member \"" + currentName_ + "\" needs the right password")};
    }
    // Other failures leave the library in no state to go on: no further members.
    Close();
    if (volumeRefused_)
        return {{},
                Verdict::Bad(VerdictKind::Truncated, "volume",
                             "RAR member \"" + currentName_ + "\" continues in a volume that was not given")};
    const VerdictKind kind = result == ERAR_BAD_DATA         ? VerdictKind::Damaged
                             : result == ERAR_UNKNOWN_FORMAT ? VerdictKind::Unsupported
                                                             : VerdictKind::Damaged;
    const std::string message = ErrorMessage(result);
    return Fail(Verdict::Bad(kind, result == ERAR_BAD_DATA ? "CRC" : "member data", "RAR: " + message),
                message);
}

}  // namespace corvalin
