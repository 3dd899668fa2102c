// The bookmark list: its order, its labels taken from the book's text, and its stored form in
// the book's record store.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "books/BookFormat.h"
#include "nav/Bookmarks.h"
#include "store/VEMOpt.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::OpenedBook;
using test::TempDir;

std::vector<int32_t> PositionsOf(const BookmarkList& list) {
    std::vector<int32_t> positions;
    for (const Bookmark& entry : list.Entries()) positions.push_back(entry.position);
    return positions;
}

TEST(BookmarksTest, TheListStaysSortedAndKeepsTheFirstEntryOfAPosition) {
    BookmarkList list;
    InsertBookmark(list, 300, u"c");
    InsertBookmark(list, 100, u"a");
    InsertBookmark(list, 200, u"b");
    InsertBookmark(list, 400, u"d");
    InsertBookmark(list, 200, u"again");
    EXPECT_EQ(PositionsOf(list), (std::vector<int32_t>{100, 200, 300, 400}));
    EXPECT_EQ(list.Entries()[1].label, u"b");
    list.Remove(0);
    list.Remove(7);  // no such entry
    EXPECT_EQ(PositionsOf(list), (std::vector<int32_t>{200, 300, 400}));
}

TEST(BookmarksTest, ALabelIsTheWordsFromThePositionOn) {
    TempDir dir;
    OpenedBook book(test::BuildBookFromUtf8(dir, "First  paragraph here.\n\nSecond one.\n"));
    ASSERT_EQ(book.Check(), VerdictKind::Ok);
    const int64_t end = book.header.textEnd;
    // Paragraph marks go, spaces and paragraph ends become single spaces.
    EXPECT_EQ(BookmarkLabel(book.file, book.paragraphs[0], end), u"First paragraph here. Second one.");
    EXPECT_EQ(BookmarkLabel(book.file, book.paragraphs[1], end), u"Second one.");
    EXPECT_EQ(BookmarkLabel(book.file, end - 1, end), u"");
}

TEST(BookmarksTest, ALabelStopsAfterTheWordThatMakesItTooLong) {
    // 100 words of 9 letters: the label passes 255 units with the 26th word (26 * 10 - 1).
    std::string text;
    for (int i = 0; i < 100; ++i) text += "abcdefghi ";
    TempDir dir;
    OpenedBook book(test::BuildBookFromUtf8(dir, text));
    ASSERT_EQ(book.Check(), VerdictKind::Ok);
    const std::u16string label = BookmarkLabel(book.file, book.header.textStart, book.header.textEnd);
    EXPECT_EQ(label.size(), 26u * 10 - 1);
}

TEST(BookmarksTest, TheStoredListHasKeysInListOrderAndShortValuesAreDropped) {
    BookmarkList list;
    InsertBookmark(list, 0x01020304, u"later");
    InsertBookmark(list, 77, u"A\u00e9");
    VEMOpt store;
    store.SetInt(kTagPosition, 5);
    StoreBookmarks(list, store);

    VEMOpt* record = store.Find(kTagBookmarks);
    ASSERT_NE(record, nullptr);
    ASSERT_EQ(record->ChildCount(), 2);
    EXPECT_EQ(record->Find(0)->Value(), std::string("\x4d\0\0\0A\0\xe9\0", 8));
    EXPECT_EQ(record->Find(1)->Value(), std::string("\x04\x03\x02\x01l\0a\0t\0e\0r\0", 14));

    // A value no longer than its position, and one with an odd byte over.
    record->Child(2)->SetValue(std::string("\x10\0\0\0", 4));
    record->Child(3)->SetValue(std::string("\x05\0\0\0x\0y", 7));
    BookmarkList read;
    TakeBookmarks(store, read);
    EXPECT_EQ(PositionsOf(read), (std::vector<int32_t>{5, 77, 0x01020304}));
    EXPECT_EQ(read.Entries()[0].label, u"x");
    EXPECT_EQ(read.Entries()[1].label, u"A\u00e9");
    EXPECT_EQ(store.Find(kTagBookmarks), nullptr) << "the list holds them now";
    EXPECT_EQ(store.GetInt(kTagPosition, 0), 5);

    // Saving an empty list leaves no record behind.
    StoreBookmarks(read, store);
    ASSERT_NE(store.Find(kTagBookmarks), nullptr);
    StoreBookmarks(BookmarkList{}, store);
    EXPECT_EQ(store.Find(kTagBookmarks), nullptr);
}

}  // namespace
}  // namespace corvalin
