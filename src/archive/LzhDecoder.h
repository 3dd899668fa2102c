#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/ByteReader.h"
#include "base/Verdict.h"

namespace corvalin {

// libarchive lists every LZH header level and decodes -lh5- to -lh7-, but refuses -lh4-, which
// is the same static-Huffman LZ77 code with a 4 KB window and the method older DOS and Amiga
// archivers wrote. The pieces here decode such a member from the archive file itself.

// Where one member's data lies, as its own header says.
struct LzhMemberData {
    std::string method;  // "-lh4-"
    uint8_t headerLevel = 0;
    uint64_t dataOffset = 0;
    uint64_t compressedSize = 0;
    uint64_t originalSize = 0;
    uint16_t crc16 = 0;
};

// How far past the position libarchive names a header may start: a self-extracting archive's
// first header follows its program stub.
inline constexpr size_t kLzhHeaderSearchBytes = 64 * 1024;

// The first header at or after `from` (within kLzhHeaderSearchBytes) whose method is `method`
// and whose structure holds: level 0 and 1 with a matching header checksum, level 2 with its
// extended headers inside the file. Nothing when there is none or its data would pass the end.
std::optional<LzhMemberData> LocateLzhMember(std::span<const uint8_t> file, uint64_t from,
                                             std::string_view method);

// The window of a static-Huffman method, in bits: 12 for -lh4-, 13 for -lh5-, 15 for -lh6-, 16
// for -lh7-; nothing for any other method.
std::optional<int> LzhDictionaryBits(std::string_view method);

// Decodes `compressed` into exactly `outputByteLength` bytes, handing them to `sink` in pieces
// of at most 64 KB; `sink` returns false to stop. The verdict names the table or code at
// fault; input that runs out before the output is complete is Truncated.
Verdict DecodeLzhStatic(std::span<const uint8_t> compressed, int dictionaryBits, uint64_t outputByteLength,
                        const std::function<bool(std::span<const uint8_t>)>& sink);

// CRC-16 as LZH headers store it (reflected polynomial 0xA001, starting at 0).
uint16_t LzhCrc16(uint16_t crc, std::span<const uint8_t> bytes);

}  // namespace corvalin
