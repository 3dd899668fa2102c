#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvalin {

class VEMFile;
class VEMOpt;
class VEMRenderParag;

// A remembered place of the open book with a few words of the text found there.
struct Bookmark {
    int32_t position = 0;  // text offset
    std::u16string label;
};

// The open book's bookmarks, kept sorted by position with at most one entry per position.
class BookmarkList {
public:
    const std::vector<Bookmark>& Entries() const { return entries_; }
    bool Empty() const { return entries_.empty(); }
    size_t Count() const { return entries_.size(); }
    void Clear() { entries_.clear(); }
    void Remove(size_t index);

private:
    friend void InsertBookmark(BookmarkList& list, int32_t position, std::u16string label);
    std::vector<Bookmark> entries_;
};

// Adds an entry unless one with this position exists; an existing entry keeps its label.
void InsertBookmark(BookmarkList& list, int32_t position, std::u16string label);

// A label stops after the first word that takes it past this length.
constexpr size_t kBookmarkLabelUnits = 255;

// The words from `position` on, one space apart, without paragraph marks; spaces and line ends
// between them do not count.
std::u16string BookmarkLabel(VEMFile& file, int64_t position, int64_t textEnd);

// The place a bookmark keeps: the first line fully on the page, or with an empty page the last
// offset of the text. 0 when no book is open.
int32_t BookmarkPosition(const VEMRenderParag& view, int64_t textStart, int64_t textEnd);

// A bookmark at the reading position; nothing without a book.
void AddBookmark(BookmarkList& list, const VEMRenderParag& view, int64_t textStart, int64_t textEnd);

// The stored list of the book's record store: it moves into `list` and leaves the store, so
// that the list alone says what is written back. Entries without a label are dropped.
void TakeBookmarks(VEMOpt& store, BookmarkList& list);
// Replaces the stored list with `list`; an empty list leaves no record at all.
void StoreBookmarks(const BookmarkList& list, VEMOpt& store);

}  // namespace corvalin
