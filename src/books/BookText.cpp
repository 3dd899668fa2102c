#include "books/BookText.h"

#include <algorithm>

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

bool TextItemReader::Ensure(int64_t bytes) {
    if (end_ - offset_ < bytes) return false;
    if (offset_ >= windowStart_ && offset_ + bytes <= windowEnd_) return true;
    if (!file_) return false;  // memory holds [0, end) whole
    const int64_t wanted = std::max(bytes, windowEnd_ > windowStart_ ? kWindowBytes : kFirstWindowBytes);
    windowStart_ = offset_;
    windowEnd_ = offset_ + std::min(wanted, end_ - offset_);
    file_->Read(buffer_, windowEnd_ - windowStart_, windowStart_);
    return true;
}

bool TextItemReader::Next(TextItem& item) {
    if (!Ensure(2)) return false;
    const uint8_t* head = window_ + (offset_ - windowStart_);
    if (head[0] == 0) {
        item.kind = head[1] == 0 ? TextItem::Kind::LineEnd : TextItem::Kind::Space;
        item.columns = head[1];
        offset_ += 2;
        return true;
    }
    const int units = head[0];
    if (!Ensure(1 + 2 * int64_t(units))) return false;
    const uint8_t* raw = window_ + (offset_ - windowStart_) + 1;
    item.kind = TextItem::Kind::Word;
    item.word.resize(size_t(units));
    char16_t* word = item.word.data();
    for (int i = 0; i < units; ++i) word[i] = char16_t(raw[2 * i] | raw[2 * i + 1] << 8);
    offset_ += 1 + 2 * int64_t(units);
    return true;
}

}  // namespace corvalin
