#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/ByteReader.h"
#include "base/Verdict.h"

namespace corvalin {

// An ARJ archive is a main header followed by one local header per member, each followed by
// the member's packed data, and an end marker (a header of size 0). Every header, main or
// local, has the same frame (little-endian):
//
//   offset  size  field
//   0       2     header mark 0xEA60
//   2       2     basic header size (0: end of archive), at most 2600
//   4       n     basic header
//   4+n     4     CRC-32 of the basic header
//   8+n     2     extended header size (0: no more), then that many bytes and their CRC-32,
//                 repeated
//
// and the basic header starts with a fixed part whose size is its first byte:
//
//   0   first header size     1   archiver version     2   minimum version to extract
//   3   host system           4   flags                5   method (main header: reserved)
//   6   file type             7   password modifier    8   date and time (4)
//   12  compressed size (4)   16  original size (4)    20  CRC-32 of the original (4)
//   24  name offset of the file part (2)   26  access mode (2)   28  host data (2)
//   [30 extended fields of later versions, as far as the first header size says]
//
// followed by the NUL-terminated name and the NUL-terminated comment.
constexpr uint16_t kArjHeaderMark = 0xEA60;
constexpr size_t kArjMaxBasicHeaderBytes = 2600;
// The fixed fields up to the host data; every archiver version writes at least these.
constexpr size_t kArjFixedHeaderBytes = 30;
// Longer names than any ARJ archiver writes are damage.
constexpr size_t kArjMaxNameBytes = 512;

enum ArjFlags : uint8_t {
    kArjGarbled = 0x01,        // encrypted with a password
    kArjVolume = 0x04,         // continues in the next volume
    kArjExtendedFile = 0x08,   // continues a member from the previous volume
    kArjPathTranslated = 0x10  // the name's '\' were changed to '/'
};

enum ArjFileType : uint8_t { kArjBinary = 0, kArjText = 1, kArjComment = 2, kArjDirectory = 3 };

struct ArjLocalHeader {
    uint8_t archiverVersion = 0;
    uint8_t minVersion = 0;
    uint8_t hostSystem = 0;
    uint8_t flags = 0;
    uint8_t method = 0;
    uint8_t fileType = 0;
    uint32_t compressedSize = 0;
    uint32_t originalSize = 0;
    uint32_t fileCrc = 0;
    // As stored (an 8-bit code page), with '\' made '/'.
    std::string name;
    // Where the packed data starts in the archive file.
    size_t dataOffset = 0;
};

// The offset of the main header: the first position holding the header mark, a basic header
// size of 1..2600 and a basic header whose CRC-32 matches, so that a self-extracting
// program in front of the archive is passed over. The whole file is searched.
std::optional<size_t> FindArjMainHeader(std::span<const uint8_t> file);

// Reads the main header at the reader's position (with its extended headers) and leaves the
// reader on the first local header.
Verdict ReadArjMainHeader(ByteReader& in);

// Reads one local header at the reader's position and leaves the reader on the member's data.
// `end` is set, with a good verdict, at the end marker.
Verdict ReadArjLocalHeader(ByteReader& in, ArjLocalHeader& header, bool& end);

}  // namespace corvalin
