#pragma once

#include <cstdint>
#include <string>

#include "books/BookText.h"
#include "store/VEMFile.h"

namespace corvalin {

// Skips space items and line ends from `offset` (counting the line ends in `breaks`) and
// returns the first word item's text, leaving `offset` just after it. Returns an empty string
// and leaves `offset` at `end` when no whole word lies before `end`; an item that would reach
// past `end` is treated as the end, so a damaged text cannot lead a read astray.
std::u16string ReadWord(VEMFile& file, int64_t& offset, int64_t end, int& breaks);

// The same over a reader that walks many items in a row.
std::u16string ReadWord(TextItemReader& reader, int& breaks);

}  // namespace corvalin
