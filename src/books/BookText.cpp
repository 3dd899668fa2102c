#include "books/BookText.h"

#include <algorithm>

namespace corvalin {
namespace {

constexpr int64_t kItemHeadBytes = 2;  // length byte and the first byte after it

// Bytes of the item whose first two bytes are `head`.
int64_t ItemBytes(const uint8_t* head) { return head[0] == 0 ? kItemHeadBytes : 1 + 2 * int64_t(head[0]); }

// Decodes a whole item lying at `bytes`.
void DecodeItem(const uint8_t* bytes, TextItem& item) {
    if (bytes[0] == 0) {
        item.kind = bytes[1] == 0 ? TextItem::Kind::LineEnd : TextItem::Kind::Space;
        item.columns = bytes[1];
        return;
    }
    const int units = bytes[0];
    const uint8_t* raw = bytes + 1;
    item.kind = TextItem::Kind::Word;
    item.word.resize(size_t(units));
    char16_t* word = item.word.data();
    for (int i = 0; i < units; ++i) word[i] = char16_t(raw[2 * i] | raw[2 * i + 1] << 8);
}

}  // namespace

bool NextTextItem(VEMFile& file, int64_t& offset, int64_t end, TextItem& item) {
    if (end - offset < kItemHeadBytes) return false;
    uint8_t bytes[1 + 2 * 255];
    file.Read(bytes, kItemHeadBytes, offset);
    const int64_t itemBytes = ItemBytes(bytes);
    if (end - offset < itemBytes) return false;
    file.Read(bytes + kItemHeadBytes, itemBytes - kItemHeadBytes, offset + kItemHeadBytes);
    DecodeItem(bytes, item);
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
    if (!Ensure(kItemHeadBytes)) return false;
    const int64_t itemBytes = ItemBytes(window_ + (offset_ - windowStart_));
    if (!Ensure(itemBytes)) return false;
    DecodeItem(window_ + (offset_ - windowStart_), item);
    offset_ += itemBytes;
    return true;
}

}  // namespace corvalin
