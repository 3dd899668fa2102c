#include "archive/ArjHeaders.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace corvalin {
namespace {

bool CrcMatches(std::span<const uint8_t> bytes, uint32_t stored) {
#ifdef CORVALIN_FUZZ_SKIP_DIGESTS
    (void)bytes;
    (void)stored;
    return true;
#else
    return uint32_t(crc32_z(crc32(0L, Z_NULL, 0), bytes.data(), bytes.size())) == stored;
#endif
}

Verdict HeaderFault(VerdictKind kind, const char* which, const char* field, const char* what) {
    return Verdict::Bad(kind, field, std::string("ARJ ") + which + " header: " + what);
}

// The frame every header shares: mark, size, basic header, its CRC and the extended headers
// behind it (whose contents no archiver version gives a meaning we need).
Verdict ReadFrame(ByteReader& in, const char* which, std::span<const uint8_t>& basic, bool& end) {
    end = false;
    const uint16_t mark = in.U16LE();
    const uint16_t size = in.U16LE();
    if (!in.Ok())
        return HeaderFault(VerdictKind::Truncated, which, "header mark", "the archive ends in the header");
    if (mark != kArjHeaderMark)
        return HeaderFault(VerdictKind::Damaged, which, "header mark", "no header mark");
    if (size == 0) {
        end = true;
        return Verdict::Good();
    }
    if (size > kArjMaxBasicHeaderBytes)
        return HeaderFault(VerdictKind::Damaged, which, "basic header size",
                           "a basic header over 2600 bytes");
    basic = in.Take(size);
    const uint32_t crc = in.U32LE();
    if (!in.Ok())
        return HeaderFault(VerdictKind::Truncated, which, "basic header", "the archive ends in the header");
    if (!CrcMatches(basic, crc))
        return HeaderFault(VerdictKind::Damaged, which, "header CRC", "the header's CRC does not match");
    // Each extended header takes at least six bytes of the file, so the loop is bounded.
    for (;;) {
        const uint16_t extSize = in.U16LE();
        if (!in.Ok())
            return HeaderFault(VerdictKind::Truncated, which, "extended header",
                               "the archive ends in the header");
        if (extSize == 0) break;
        const std::span<const uint8_t> ext = in.Take(extSize);
        const uint32_t extCrc = in.U32LE();
        if (!in.Ok())
            return HeaderFault(VerdictKind::Truncated, which, "extended header",
                               "the archive ends in the header");
        if (!CrcMatches(ext, extCrc))
            return HeaderFault(VerdictKind::Damaged, which, "extended header CRC",
                               "an extended header's CRC does not match");
    }
    return Verdict::Good();
}

// The name and the comment behind the fixed part; both must end inside the basic header.
Verdict ReadStrings(std::span<const uint8_t> basic, size_t fixedBytes, const char* which, std::string* name) {
    if (fixedBytes > basic.size())
        return HeaderFault(VerdictKind::Damaged, which, "first header size",
                           "a fixed part larger than the header");
    const std::span<const uint8_t> rest = basic.subspan(fixedBytes);
    const auto nameEnd = std::find(rest.begin(), rest.end(), uint8_t(0));
    if (nameEnd == rest.end())
        return HeaderFault(VerdictKind::Damaged, which, "name", "a name without its end");
    const size_t nameBytes = size_t(nameEnd - rest.begin());
    if (nameBytes > kArjMaxNameBytes)
        return HeaderFault(VerdictKind::Damaged, which, "name", "a name over 512 bytes");
    if (std::find(nameEnd + 1, rest.end(), uint8_t(0)) == rest.end())
        return HeaderFault(VerdictKind::Damaged, which, "comment", "a comment without its end");
    if (name) {
        name->assign(reinterpret_cast<const char*>(rest.data()), nameBytes);
        // Archivers on DOS store '\'; one separator keeps the member list and the flat name alike.
        std::replace(name->begin(), name->end(), '\\', '/');
    }
    return Verdict::Good();
}

}  // namespace

std::optional<size_t> FindArjMainHeader(std::span<const uint8_t> file) {
    // Mark, size, at least one byte of header and the CRC.
    constexpr size_t kSmallestFrame = 2 + 2 + 1 + 4;
    if (file.size() < kSmallestFrame) return std::nullopt;
    const size_t lastStart = file.size() - kSmallestFrame;
    for (size_t p = 0; p <= lastStart;) {
        // Only the search runs over raw bytes; every candidate is read through the reader.
        const void* hit = std::memchr(file.data() + p, kArjHeaderMark & 0xFF, lastStart + 1 - p);
        if (!hit) break;
        const size_t start = size_t(static_cast<const uint8_t*>(hit) - file.data());
        p = start + 1;
        ByteReader frame(file.subspan(start));
        const uint16_t mark = frame.U16LE();
        const uint16_t size = frame.U16LE();
        if (mark != kArjHeaderMark || size == 0 || size > kArjMaxBasicHeaderBytes) continue;
        const std::span<const uint8_t> basic = frame.Take(size);
        const uint32_t crc = frame.U32LE();
        if (frame.Ok() && CrcMatches(basic, crc)) return start;
    }
    return std::nullopt;
}

Verdict ReadArjMainHeader(ByteReader& in) {
    std::span<const uint8_t> basic;
    bool end = false;
    if (Verdict v = ReadFrame(in, "main", basic, end); !v) return v;
    if (end) return HeaderFault(VerdictKind::Damaged, "main", "basic header size", "an empty main header");
    return ReadStrings(basic, basic[0], "main", nullptr);
}

Verdict ReadArjLocalHeader(ByteReader& in, ArjLocalHeader& header, bool& end) {
    std::span<const uint8_t> basic;
    if (Verdict v = ReadFrame(in, "local", basic, end); !v || end) return v;
    ByteReader fields(basic);
    const uint8_t fixedBytes = fields.U8();
    if (fixedBytes < kArjFixedHeaderBytes)
        return HeaderFault(VerdictKind::Damaged, "local", "first header size", "a fixed part under 30 bytes");
    header = {};
    header.archiverVersion = fields.U8();
    header.minVersion = fields.U8();
    header.hostSystem = fields.U8();
    header.flags = fields.U8();
    header.method = fields.U8();
    header.fileType = fields.U8();
    fields.Skip(1 + 4);  // password modifier, date and time
    header.compressedSize = fields.U32LE();
    header.originalSize = fields.U32LE();
    header.fileCrc = fields.U32LE();
    if (Verdict v = ReadStrings(basic, fixedBytes, "local", &header.name); !v) return v;
    if (!fields.Ok())
        return HeaderFault(VerdictKind::Damaged, "local", "first header size",
                           "a fixed part larger than the header");
    header.dataOffset = in.Position();
    return Verdict::Good();
}

}  // namespace corvalin
