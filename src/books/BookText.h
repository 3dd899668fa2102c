#pragma once

#include <cstdint>
#include <string>

#include "books/VEMFile.h"

namespace corvalin {

struct TextItem {
    enum class Kind { Word, Space, LineEnd };
    Kind kind = Kind::LineEnd;
    std::u16string word;  // Word only
    int columns = 0;      // Space only
};

// Reads the item at `offset` and advances past it. Returns false, leaving `offset` alone, when
// no whole item lies before `end`: every length comes from the file and is checked here.
bool NextTextItem(VEMFile& file, int64_t& offset, int64_t end, TextItem& item);

}  // namespace corvalin
