#pragma once

#include <cstdint>
#include <memory>

#include "import/DocumentBytes.h"
#include "import/TextSource.h"

namespace corvalin {

// A plain-text document decoded in a code page, for the book builder: the same units as
// CodepageReader::ReadChar gives reading from position 0 to the end, produced in blocks.
// `codePage` is a number of the code page list or 0 for the system's; `twoByteDocument`
// reads UTF-16 whatever the page (big-endian only for -2). Throws std::invalid_argument for a
// number that is not listed.
std::unique_ptr<TextSource> MakeCodepageSource(DocumentBytes bytes, int32_t codePage,
                                               bool twoByteDocument = false);

// The code page a byte-order mark at the start names: -1 (FF FE), -2 (FE FF) or 65001
// (EF BB BF); 0 when there is none.
int32_t CodePageOfByteOrderMark(const uint8_t* bytes, size_t size);

}  // namespace corvalin
