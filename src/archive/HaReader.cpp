#include "archive/HaReader.h"

#include <zlib.h>

#include <algorithm>

#include "archive/HaDecoders.h"
#include "archive/MemberNames.h"
#include "archive/MemberOutput.h"
#include "base/ByteReader.h"

namespace corvalin {
namespace {

// An HA archive:
//
//   offset  size  field
//   0       2     "HA"
//   2       2     member count (little-endian, as every number here)
//   4             member headers, each followed by its packed data
//
// A member header:
//
//   0       1     format version (high nibble, 2) and method (low nibble); 0xFF marks an
//                 entry that was removed and is passed over
//   1       4     packed size
//   5       4     original size
//   9       4     CRC-32 of the original data
//   13      4     modification time
//   17      p+1   path, NUL-terminated, directories separated by 0xFF
//   ..      n+1   name, NUL-terminated
//   ..      1     length m of the machine-specific data
//   ..      m     machine-specific data (attributes, owner)
constexpr size_t kArchiveHeaderBytes = 4;
constexpr uint8_t kRemovedEntry = 0xFF;
constexpr uint8_t kFormatVersion = 2;
constexpr uint8_t kStored = 0;
constexpr uint8_t kAsc = 1;
constexpr uint8_t kHsc = 2;
constexpr uint8_t kDirectory = 14;
constexpr uint8_t kSpecialFile = 15;
constexpr uint8_t kPathSeparator = 0xFF;
// Longer paths and names are taken for damage rather than read on and on.
constexpr size_t kMaxStringBytes = 4096;
// Stored data goes out in pieces of this size.
constexpr size_t kCopyPiece = size_t(1) << 16;

Verdict Bad(VerdictKind kind, const char* field, const std::string& message) {
    return Verdict::Bad(kind, field, "HA " + std::string(field) + ": " + message);
}

// A NUL-terminated string of at most kMaxStringBytes; nothing when it does not end in time.
std::optional<std::string> ReadString(ByteReader& reader) {
    const std::span<const uint8_t> rest = reader.Rest();
    const size_t limit = std::min(rest.size(), kMaxStringBytes + 1);
    const auto end = std::find(rest.begin(), rest.begin() + ptrdiff_t(limit), uint8_t{0});
    if (end == rest.begin() + ptrdiff_t(limit)) {
        reader.Fail();
        return std::nullopt;
    }
    const size_t length = size_t(end - rest.begin());
    std::string text(reader.TakeChars(length));
    reader.Skip(1);
    return text;
}

// Counts the CRC-32 of what the decoders write on its way to the file.
class CheckedOutput : public ha::OutputSink {
public:
    explicit CheckedOutput(MemberOutput& output) : output_(output) {}
    bool Put(std::span<const uint8_t> bytes) override {
        crc_ = crc32_z(crc_, bytes.data(), bytes.size());
        return output_.Write(bytes);
    }
    uint32_t Crc() const { return uint32_t(crc_); }

private:
    MemberOutput& output_;
    uLong crc_ = crc32_z(0, nullptr, 0);
};

}  // namespace

bool VEM_HA::Open(const std::filesystem::path& archive, const std::filesystem::path& destination) {
    Close();
    if (!file_.Open(archive)) return false;
    ByteReader reader(file_.Bytes());
    const std::string_view signature = reader.TakeChars(2);
    reader.Skip(2);  // member count
    if (!reader.Ok() || signature != "HA") {
        file_.Close();
        return false;
    }
    destination_ = destination;
    nextHeader_ = kArchiveHeaderBytes;
    state_ = State::NeedHeader;
    return true;
}

std::optional<ArchiveMember> VEM_HA::ReadHeader() {
    if (state_ == State::Closed) return std::nullopt;
    if (state_ == State::NeedHeader) {
        const std::span<const uint8_t> bytes = file_.Bytes();
        for (;;) {
            if (nextHeader_ >= bytes.size()) {
                state_ = State::Closed;
                return std::nullopt;
            }
            ByteReader reader(bytes);
            reader.Seek(size_t(nextHeader_));
            const uint8_t kind = reader.U8();
            Header header;
            header.packedSize = reader.U32LE();
            header.originalSize = reader.U32LE();
            header.crc32 = reader.U32LE();
            reader.Skip(4);  // modification time
            std::optional<std::string> path = ReadString(reader);
            std::optional<std::string> name = ReadString(reader);
            const uint8_t machineBytes = reader.U8();
            reader.Skip(machineBytes);
            // A header cut short or of another format version ends the listing: nothing after
            // it can be found with any confidence.
            if (!reader.Ok() || (kind != kRemovedEntry && kind >> 4 != kFormatVersion)) {
                state_ = State::Closed;
                return std::nullopt;
            }
            header.method = kind & 0x0F;
            header.dataOffset = reader.Position();
            nextHeader_ = header.dataOffset + header.packedSize;
            if (kind == kRemovedEntry || header.method == kDirectory || header.method == kSpecialFile)
                continue;
            std::replace(path->begin(), path->end(), char(kPathSeparator), '/');
            header.path = std::move(*path);
            header.name = std::move(*name);
            current_ = std::move(header);
            state_ = State::HaveHeader;
            break;
        }
    }
    ArchiveMember member;
    std::string stored = current_.path;
    if (!stored.empty() && stored.back() != '/') stored += '/';
    member.name = MemberNameToUtf8(stored + current_.name);
    member.uncompressedSize = current_.originalSize;
    return member;
}

void VEM_HA::Skip() {
    if (state_ == State::HaveHeader) state_ = State::NeedHeader;
}

ExtractResult VEM_HA::Extract() {
    if (state_ != State::HaveHeader)
        return {{}, Bad(VerdictKind::Damaged, "member header", "no current member")};
    state_ = State::NeedHeader;
    const Header& header = current_;

    const std::optional<std::string> fileName = SafeMemberFileName(MemberNameToUtf8(header.name));
    if (!fileName)
        return {{}, Bad(VerdictKind::Damaged, "member name", "no safe file name in \"" + header.name + "\"")};
    if (header.method != kStored && header.method != kAsc && header.method != kHsc)
        return {{},
                Bad(VerdictKind::Unsupported, "method",
                    "method " + std::to_string(header.method) + " of " + *fileName)};

    const std::filesystem::path target = destination_ / *fileName;
    std::error_code error;
    if (std::filesystem::symlink_status(target, error).type() == std::filesystem::file_type::regular)
        return {target, Verdict::Good()};

    ByteReader reader(file_.Bytes());
    if (header.dataOffset > reader.Size() || !reader.Seek(size_t(header.dataOffset)) ||
        !reader.CanRead(header.packedSize))
        return {{}, Bad(VerdictKind::Truncated, "member data", *fileName + ": the archive ends inside it")};
    const std::span<const uint8_t> packed = reader.Take(header.packedSize);
    if (header.method == kStored && header.packedSize != header.originalSize)
        return {{},
                Bad(VerdictKind::Damaged, "member header", *fileName + ": stored and original sizes differ")};

    MemberOutput output;
    if (!output.Create(target, header.originalSize)) return {{}, output.Failure()};
    CheckedOutput checked(output);
    Verdict verdict;
    switch (header.method) {
        case kStored:
            for (size_t done = 0; done < packed.size() && output.Failure().Ok(); done += kCopyPiece)
                checked.Put(packed.subspan(done, std::min(kCopyPiece, packed.size() - done)));
            break;
        case kAsc:
            verdict = ha::UnpackAsc(packed, header.originalSize, checked);
            break;
        default:
            verdict = ha::UnpackHsc(packed, header.originalSize, checked);
            break;
    }
    if (verdict.Ok() && output.Failure().Ok() && checked.Crc() != header.crc32) {
#ifndef CORVALIN_FUZZ_SKIP_DIGESTS
        verdict = Bad(VerdictKind::Damaged, "CRC", *fileName + ": File CRC error");
#endif
    }
    return output.Finish(verdict);
}

void VEM_HA::Close() {
    file_.Close();
    state_ = State::Closed;
    nextHeader_ = 0;
}

}  // namespace corvalin
