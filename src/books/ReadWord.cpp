#include "books/ReadWord.h"

namespace corvalin {

std::u16string ReadWord(TextItemReader& reader, int& breaks) {
    breaks = 0;
    TextItem item;
    while (reader.Next(item)) {
        if (item.kind == TextItem::Kind::Word) return std::move(item.word);
        if (item.kind == TextItem::Kind::LineEnd) ++breaks;
    }
    reader.SkipToEnd();
    return {};
}

std::u16string ReadWord(VEMFile& file, int64_t& offset, int64_t end, int& breaks) {
    breaks = 0;
    TextItem item;
    while (offset < end && NextTextItem(file, offset, end, item)) {
        if (item.kind == TextItem::Kind::Word) return std::move(item.word);
        if (item.kind == TextItem::Kind::LineEnd) ++breaks;
    }
    offset = end;
    return {};
}

}  // namespace corvalin
