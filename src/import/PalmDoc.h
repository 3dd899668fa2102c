#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "base/Verdict.h"

namespace corvalin {

// The most text one PalmDoc database may hold, and the most one record may decode to (a
// record's size field has 16 bits, and readers on the device use 4096).
constexpr size_t kMaxPalmDocTextBytes = 128u << 20;
constexpr size_t kMaxPalmDocRecordBytes = 65536;

// The text of a PalmDoc e-book (.pdb, .prc): its text records decoded (stored, or compressed
// with the PalmDoc scheme) into the 8-bit text they hold, in whatever code page it was written;
// line ends (CR LF, CR, LF) become LF. Records after the text records (bookmarks, notes) are
// not text and are left out.
//
// Verdicts name the field at fault: fewer than two records, a record list cut short, a record
// offset outside the file or before the one it follows, a first record too short for the
// document header, a compression other than 1 or 2, a record or a text larger than the caps
// above. A back reference reaching before the start of the text copies nothing. `text` holds
// nothing useful after a bad verdict.
Verdict DecodePalmDoc(std::span<const uint8_t> pdb, std::string& text);

// Converts the file at `pdbPath` and writes the text to `textPath` (only for a good verdict).
// Throws FileError when a file cannot be read or written.
Verdict ConvertPalmDoc(const std::filesystem::path& pdbPath, const std::filesystem::path& textPath);

}  // namespace corvalin
