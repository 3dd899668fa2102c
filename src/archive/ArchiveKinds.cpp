#include "archive/ArchiveKinds.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#include "archive/ArjReader.h"
#include "archive/HaReader.h"
#include "archive/LibArchiveReader.h"
#include "archive/RarReader.h"
#include "base/ByteReader.h"

namespace corvalin {
namespace {

struct ExtensionKind {
    std::string_view suffix;  // upper case, with the dot
    ArchiveKind kind;
};

// Longer suffixes first, so ".TAR.GZ" wins over a plain ".GZ" rule if one is ever added.
constexpr std::array<ExtensionKind, 17> kExtensions = {{
    {".TAR.GZ", ArchiveKind::Tar},
    {".TAR.BZ2", ArchiveKind::Tar},
    {".TAR.XZ", ArchiveKind::Tar},
    {".TBZ2", ArchiveKind::Tar},
    {".ZIP", ArchiveKind::Zip},
    {".RAR", ArchiveKind::Rar},
    {".ARJ", ArchiveKind::Arj},
    {".LZH", ArchiveKind::Lzh},
    {".LHA", ArchiveKind::Lzh},
    {".TAR", ArchiveKind::Tar},
    {".TGZ", ArchiveKind::Tar},
    {".TBZ", ArchiveKind::Tar},
    {".TXZ", ArchiveKind::Tar},
    {".CAB", ArchiveKind::Cab},
    {".ISO", ArchiveKind::Iso},
    {".HA", ArchiveKind::Ha},
    {".7Z", ArchiveKind::SevenZip},
}};

bool StartsWith(std::span<const uint8_t> bytes, size_t at, std::string_view mark) {
    if (at > bytes.size() || bytes.size() - at < mark.size()) return false;
    return std::equal(mark.begin(), mark.end(), bytes.begin() + std::ptrdiff_t(at),
                      [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

uint32_t Crc32(std::span<const uint8_t> bytes) {
    uint32_t crc = 0xFFFFFFFF;
    for (uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

// ARJ main header:  0x60 0xEA, basic header size (16 bits, at most 2600), the basic header,
// its CRC-32.
bool LooksLikeArj(std::span<const uint8_t> head) {
    constexpr size_t kMaxBasicHeader = 2600;
    ByteReader reader(head);
    if (reader.U8() != 0x60 || reader.U8() != 0xEA) return false;
    const uint16_t basicBytes = reader.U16LE();
    if (basicBytes == 0 || basicBytes > kMaxBasicHeader) return false;
    const std::span<const uint8_t> basic = reader.Take(basicBytes);
    const uint32_t crc = reader.U32LE();
    return reader.Ok() && Crc32(basic) == crc;
}

// LZH: a method "-lh?-" or "-lz?-" at offset 2 and a header level at offset 20; levels 0 and 1
// carry a checksum of the header in their second byte, level 2 a 16-bit size of at least 26.
bool LooksLikeLzh(std::span<const uint8_t> head) {
    constexpr size_t kLevelOffset = 20;
    if (head.size() < 22 || head[2] != '-' || head[3] != 'l' || (head[4] != 'h' && head[4] != 'z') ||
        head[6] != '-')
        return false;
    const uint8_t level = head[kLevelOffset];
    if (level == 2) return LoadU16LE(head.data()) >= 26;
    if (level > 1) return false;
    const size_t headerBytes = head[0];
    if (headerBytes < kLevelOffset || head.size() - 2 < headerBytes) return false;
    unsigned sum = 0;
    for (size_t i = 2; i < 2 + headerBytes; ++i) sum += head[i];
    return (sum & 0xFF) == head[1];
}

std::string UpperName(const std::filesystem::path& path) {
    std::string name = path.filename().string();
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    return name;
}

}  // namespace

ArchiveKind ArchiveKindFromExtension(const std::filesystem::path& path) {
    const std::string name = UpperName(path);
    for (const ExtensionKind& entry : kExtensions)
        if (name.size() > entry.suffix.size() && name.ends_with(entry.suffix)) return entry.kind;
    return ArchiveKind::None;
}

ArchiveKind ArchiveKindFromSignature(std::span<const uint8_t> head) {
    if (StartsWith(head, 0, "PK\x03\x04") || StartsWith(head, 0, "PK\x05\x06") ||
        StartsWith(head, 0, "PK\x07\x08PK\x03\x04"))
        return ArchiveKind::Zip;
    if (StartsWith(head, 0, std::string_view("Rar!\x1A\x07\x00", 7)) ||
        StartsWith(head, 0, std::string_view("Rar!\x1A\x07\x01\x00", 8)))
        return ArchiveKind::Rar;
    if (StartsWith(head, 0, "7z\xBC\xAF\x27\x1C")) return ArchiveKind::SevenZip;
    if (StartsWith(head, 0, std::string_view("MSCF\0\0\0\0", 8))) return ArchiveKind::Cab;
    if (StartsWith(head, 257, "ustar")) return ArchiveKind::Tar;
    // The first volume descriptor of ISO 9660 sits after 32 KB of system area.
    if (StartsWith(head, 32769, "CD001")) return ArchiveKind::Iso;
    if (LooksLikeArj(head)) return ArchiveKind::Arj;
    if (LooksLikeLzh(head)) return ArchiveKind::Lzh;
    return ArchiveKind::None;
}

ArchiveKind DetectArchiveKind(const std::filesystem::path& path) {
    const ArchiveKind byName = ArchiveKindFromExtension(path);
    const bool noExtension = !path.has_extension();
    if (byName == ArchiveKind::None && !noExtension) return ArchiveKind::None;

    std::vector<uint8_t> head(kArchiveSignatureBytes);
    std::ifstream file(path, std::ios::binary);
    if (!file) return byName;
    file.read(reinterpret_cast<char*>(head.data()), std::streamsize(head.size()));
    head.resize(size_t(file.gcount()));
    const ArchiveKind bySignature = ArchiveKindFromSignature(head);
    if (bySignature != ArchiveKind::None) return bySignature;
    // Compressed tar archives show only the compressor's mark; their name says the rest.
    return byName;
}

std::vector<std::string> ArchivePatterns() {
    std::vector<std::string> patterns;
    // In the order of the table, the plain suffixes first as people look for them.
    for (auto it = kExtensions.rbegin(); it != kExtensions.rend(); ++it) {
        std::string pattern = "*" + std::string(it->suffix);
        std::transform(pattern.begin(), pattern.end(), pattern.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        patterns.push_back(std::move(pattern));
    }
    return patterns;
}

std::unique_ptr<MemberReader> MakeMemberReader(ArchiveKind kind) {
    switch (kind) {
        case ArchiveKind::Zip:
        case ArchiveKind::Lzh:
        case ArchiveKind::SevenZip:
        case ArchiveKind::Tar:
        case ArchiveKind::Cab:
        case ArchiveKind::Iso:
            return std::make_unique<LibArchiveReader>();
        case ArchiveKind::Rar:
            return std::make_unique<VEMRar>();
        case ArchiveKind::Arj:
            return std::make_unique<VEMArj>();
        case ArchiveKind::Ha:
            return std::make_unique<VEM_HA>();
        case ArchiveKind::None:
            break;
    }
    return nullptr;
}

std::string_view ArchiveKindName(ArchiveKind kind) {
    switch (kind) {
        case ArchiveKind::Zip:
            return "ZIP";
        case ArchiveKind::Rar:
            return "RAR";
        case ArchiveKind::Arj:
            return "ARJ";
        case ArchiveKind::Lzh:
            return "LZH";
        case ArchiveKind::Ha:
            return "HA";
        case ArchiveKind::SevenZip:
            return "7z";
        case ArchiveKind::Tar:
            return "tar";
        case ArchiveKind::Cab:
            return "cab";
        case ArchiveKind::Iso:
            return "ISO";
        case ArchiveKind::None:
            break;
    }
    return "none";
}

}  // namespace corvalin
