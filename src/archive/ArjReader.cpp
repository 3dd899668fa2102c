#include "archive/ArjReader.h"

#include <zlib.h>

#include <string>
#include <system_error>

#include "archive/ArjDecoder.h"
#include "archive/MemberNames.h"
#include "archive/MemberOutput.h"
#include "base/ByteReader.h"

namespace corvalin {
namespace {

// The newest decoder this reader implements is that of archiver version 3.
constexpr uint8_t kNewestMinVersion = 3;
constexpr uint8_t kNewestMethod = 4;

Verdict MemberFault(VerdictKind kind, const char* field, const std::string& name, const char* what) {
    return Verdict::Bad(kind, field, "ARJ member \"" + name + "\": " + what);
}

}  // namespace

bool VEMArj::Open(const std::filesystem::path& archive, const std::filesystem::path& destination) {
    Close();
    if (!file_.Open(archive)) {
        listing_ = Verdict::Bad(VerdictKind::NotThisFormat, "file", "ARJ archive: " + file_.Error());
        return false;
    }
    const std::optional<size_t> main = FindArjMainHeader(file_.Bytes());
    if (!main) {
        listing_ = Verdict::Bad(VerdictKind::NotThisFormat, "main header", "ARJ archive: no main header");
        file_.Close();
        return false;
    }
    ByteReader in(file_.Bytes());
    in.Seek(*main);
    if (Verdict v = ReadArjMainHeader(in); !v) {
        listing_ = v;
        file_.Close();
        return false;
    }
    mainHeader_ = *main;
    next_ = in.Position();
    destination_ = destination;
    state_ = State::NeedHeader;
    listing_ = Verdict::Good();
    return true;
}

std::optional<ArchiveMember> VEMArj::ReadHeader() {
    if (state_ == State::NeedHeader) {
        ByteReader in(file_.Bytes());
        bool end = false;
        Verdict v = in.Seek(next_) ? ReadArjLocalHeader(in, current_, end)
                                   : Verdict::Bad(VerdictKind::Truncated, "member data",
                                                  "ARJ archive: ends inside a member's data");
        if (!v || end) {
            listing_ = v;
            state_ = State::End;
            return std::nullopt;
        }
        state_ = State::HeaderCurrent;
    }
    if (state_ != State::HeaderCurrent) return std::nullopt;
    ArchiveMember member;
    member.name = MemberNameToUtf8(current_.name);
    member.uncompressedSize = current_.originalSize;
    member.encrypted = (current_.flags & kArjGarbled) != 0;
    return member;
}

void VEMArj::PassCurrent() {
    // The next header follows the packed data; one past the file's end fails when it is read.
    const size_t size = file_.Bytes().size();
    const size_t left = size - current_.dataOffset;
    next_ = current_.compressedSize > left ? size + 1 : current_.dataOffset + current_.compressedSize;
    state_ = State::NeedHeader;
}

void VEMArj::Skip() {
    if (state_ == State::HeaderCurrent) PassCurrent();
}

ExtractResult VEMArj::Extract() {
    if (state_ == State::NeedHeader) ReadHeader();
    if (state_ != State::HeaderCurrent) {
        if (!listing_.Ok()) return {{}, listing_};
        return {{}, Verdict::Bad(VerdictKind::Damaged, "member", "ARJ archive: no member left to extract")};
    }
    const ArjLocalHeader header = current_;
    PassCurrent();
    const std::string shownName = MemberNameToUtf8(header.name);

    if (header.minVersion > kNewestMinVersion)
        return {{},
                MemberFault(VerdictKind::Unsupported, "minimum version", shownName,
                            "needs a newer archiver to extract")};
    if (header.flags & kArjGarbled)
        return {{}, MemberFault(VerdictKind::Encrypted, "flags", shownName, "is protected by a password")};
    if (header.method > kNewestMethod)
        return {{}, MemberFault(VerdictKind::Unsupported, "method", shownName, "uses an unknown method")};
    if (header.fileType != kArjBinary && header.fileType != kArjText)
        return {{}, MemberFault(VerdictKind::Unsupported, "file type", shownName, "is not a file")};
    if (header.flags & (kArjVolume | kArjExtendedFile))
        return {{}, MemberFault(VerdictKind::Unsupported, "flags", shownName, "is split across volumes")};

    const std::optional<std::string> fileName = SafeMemberFileName(shownName);
    if (!fileName)
        return {{}, MemberFault(VerdictKind::Unsupported, "name", shownName, "has no name a file can take")};
    const std::filesystem::path target = destination_ / *fileName;

    // A file of that name extracted before (or put there by anyone) is used as it stands.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::symlink_status(target, error);
    if (!error && std::filesystem::exists(status)) {
        if (std::filesystem::is_regular_file(status)) return {target, Verdict::Good()};
        return {{},
                MemberFault(VerdictKind::Damaged, "output", shownName,
                            "something other than a file has its name in the folder")};
    }

    const std::span<const uint8_t> bytes = file_.Bytes();
    if (header.compressedSize > bytes.size() - header.dataOffset)
        return {{},
                MemberFault(VerdictKind::Truncated, "compressed size", shownName,
                            "the archive ends inside the member's data")};
    const std::span<const uint8_t> packed = bytes.subspan(header.dataOffset, header.compressedSize);

    MemberOutput output;
    if (!output.Create(target, header.originalSize)) return {{}, output.Failure()};
    uLong crc = crc32(0L, Z_NULL, 0);
    const ArjSink sink = [&](std::span<const uint8_t> piece) {
        crc = crc32_z(crc, piece.data(), piece.size());
        return output.Write(piece);
    };
    Verdict verdict = DecodeArjMember(header.method, packed, header.originalSize, sink);
#ifndef CORVALIN_FUZZ_SKIP_DIGESTS
    if (verdict.Ok() && uint32_t(crc) != header.fileCrc)
        verdict = MemberFault(VerdictKind::Damaged, "file CRC", shownName, "File CRC error");
#endif
    // A stopped output reports its own reason through Finish.
    return output.Finish(verdict);
}

void VEMArj::Close() {
    file_.Close();
    state_ = State::End;
    next_ = 0;
    mainHeader_ = 0;
    current_ = {};
}

}  // namespace corvalin
