#include "nav/Bookmarks.h"

#include "base/ByteReader.h"

#include <algorithm>

#include "books/BookFormat.h"
#include "books/BookText.h"
#include "layout/VEMRenderParag.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr uint32_t kPositionBytes = 4;

}  // namespace

void BookmarkList::Remove(size_t index) {
    if (index < entries_.size()) entries_.erase(entries_.begin() + std::ptrdiff_t(index));
}

void InsertBookmark(BookmarkList& list, int32_t position, std::u16string label) {
    std::vector<Bookmark>& entries = list.entries_;
    const auto at = std::find_if(entries.begin(), entries.end(),
                                 [&](const Bookmark& entry) { return entry.position >= position; });
    if (at != entries.end() && at->position == position) return;
    entries.insert(at, Bookmark{position, std::move(label)});
}

std::u16string BookmarkLabel(VEMFile& file, int64_t position, int64_t textEnd) {
    std::u16string label;
    TextItemReader reader(file, position, textEnd);
    TextItem item;
    while (label.size() <= kBookmarkLabelUnits && reader.Next(item)) {
        if (item.kind != TextItem::Kind::Word) continue;
        std::u16string_view word = item.word;
        if (!word.empty() && word.front() == kParagraphMark) word.remove_prefix(1);
        if (word.empty()) continue;
        if (!label.empty()) label += u' ';
        label += word;
    }
    return label;
}

int32_t BookmarkPosition(const VEMRenderParag& view, int64_t textStart, int64_t textEnd) {
    if (!view.bookFile) return 0;
    if (!view.screenLines.empty()) return view.screenLines.front().line->startOffset;
    return int32_t(std::max(textEnd - 1, textStart));
}

void AddBookmark(BookmarkList& list, const VEMRenderParag& view, int64_t textStart, int64_t textEnd) {
    const int32_t position = BookmarkPosition(view, textStart, textEnd);
    if (position == 0) return;
    InsertBookmark(list, position, BookmarkLabel(*view.bookFile, position, textEnd));
}

void TakeBookmarks(VEMOpt& store, BookmarkList& list) {
    VEMOpt* record = store.Find(kTagBookmarks);
    if (!record) return;
    for (VEMOpt* entry = record->First(); entry; entry = record->Next(entry)) {
        // The position, then the label's UTF-16 units; an entry with nothing past the position
        // has no label and is dropped.
        ByteReader value(entry->ValueData(), entry->ValueLength());
        const int32_t position = value.I32LE();
        if (!value.Ok() || value.AtEnd()) continue;
        std::u16string label;
        while (value.CanRead(2)) label += char16_t(value.U16LE());
        InsertBookmark(list, position, std::move(label));
    }
    delete record;
}

void StoreBookmarks(const BookmarkList& list, VEMOpt& store) {
    delete store.Find(kTagBookmarks);
    if (list.Empty()) return;
    VEMOpt* record = store.Child(kTagBookmarks);
    uint32_t key = 0;
    for (const Bookmark& entry : list.Entries()) {
        std::string value;
        value.reserve(kPositionBytes + 2 * entry.label.size());
        const uint32_t position = uint32_t(entry.position);
        for (int shift = 0; shift < 32; shift += 8) value += char((position >> shift) & 0xFF);
        for (const char16_t unit : entry.label) {
            value += char(unit & 0xFF);
            value += char(unit >> 8);
        }
        record->Child(key++)->SetValue(value);
    }
}

}  // namespace corvalin
