#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Utf.h"
#include "import/DocumentBytes.h"
#include "import/TextSource.h"

namespace corvalin {

enum class UnicodeForm { Utf8, Utf16LE, Utf16BE };

// Decodes bytes held in memory. Malformed UTF-8 becomes U+FFFD, one per bad byte; an odd
// trailing byte of UTF-16 is dropped. A byte-order mark at the start is skipped.
std::unique_ptr<TextSource> MakeUnicodeSource(DocumentBytes bytes, UnicodeForm form);

// A byte-order mark picks UTF-16 LE/BE or UTF-8; without one the text is taken as UTF-8.
UnicodeForm DetectUnicodeForm(const uint8_t* bytes, size_t size);

// Reads a whole document file; throws FileError when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path);

}  // namespace corvalin
