#include "books/BookText.h"

namespace corvalin {

bool NextTextItem(VEMFile& file, int64_t& offset, int64_t end, TextItem& item) {
    if (end - offset < 2) return false;
    uint8_t head[2];
    file.Read(head, 2, offset);
    if (head[0] == 0) {
        item.kind = head[1] == 0 ? TextItem::Kind::LineEnd : TextItem::Kind::Space;
        item.columns = head[1];
        offset += 2;
        return true;
    }
    const int units = head[0];
    const int64_t itemBytes = 1 + 2 * int64_t(units);
    if (end - offset < itemBytes) return false;
    uint8_t raw[2 * 255];
    file.Read(raw, itemBytes - 1, offset + 1);
    item.kind = TextItem::Kind::Word;
    item.word.resize(size_t(units));
    for (int i = 0; i < units; ++i) item.word[size_t(i)] = char16_t(raw[2 * i] | raw[2 * i + 1] << 8);
    offset += itemBytes;
    return true;
}

}  // namespace corvalin
