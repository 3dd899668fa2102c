#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "books/BookFile.h"
#include "books/BookFormat.h"
#include "books/StoreRewrite.h"
#include "library/BookScan.h"
#include "library/LibraryBooks.h"
#include "store/VEMCrypt.h"

namespace corvalin {
namespace {

using test::BookText;
using test::MakeLibraryBook;
using test::Prose;
using test::TempDir;

TEST(BookScan, PreviewHoldsTheFirstLineOfEachParagraph) {
    TempDir dir;
    std::string text = "Smith John\n\nThe Title\nsecond line of the title paragraph\n\n";
    for (int i = 0; i < 3; ++i)
        text += std::string(60, 'x') + " " + std::string(60, 'y') + " " + std::string(60, 'z') + "\n\n";
    text += Prose(40);
    const auto entry = ScanBook(MakeLibraryBook(dir.path(), "a.book", text, "story.txt"));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->sourceName, "story.txt");
    EXPECT_EQ(entry->sourceSize, int64_t(text.size()));
    EXPECT_EQ(entry->lines.Line(0), u"Smith John");
    EXPECT_EQ(entry->lines.Line(1), u"The Title");
    // 182 characters: the first 128 are kept and marked as cut.
    EXPECT_EQ(entry->lines.Line(2).size(), 128u + 4u);
    EXPECT_EQ(entry->lines.Line(2).substr(124), u"zzzz ...");
    // One line per paragraph of the first 299: 3 + 3 + 40 paragraphs here.
    EXPECT_EQ(entry->lines.Count(), 45);
    EXPECT_FALSE(entry->special);

    // With every line a paragraph, blank lines are lines of the preview too, but never among
    // the non-empty ones; paragraph 0 is empty.
    const auto lines =
        ScanBook(MakeLibraryBook(dir.path(), "b.book", BookText({"Smith John", "The Title"}), "s.txt", true));
    ASSERT_NE(lines, nullptr);
    EXPECT_TRUE(lines->lines.Blank(0));
    EXPECT_EQ(lines->lines.Line(1), u"Smith John");
    EXPECT_TRUE(lines->lines.Blank(2));
    EXPECT_EQ(lines->lines.FirstNonEmpty(), 1);
    EXPECT_EQ(lines->lines.NextNonEmpty(1), 3);
    EXPECT_EQ(lines->lines.PreviousNonEmpty(3), 1);
}

TEST(BookScan, NotTextRules) {
    std::string longWords;
    for (int p = 0; p < 40; ++p) longWords += "Paragraphwithverylongwordsonly andanotherlongwordhere\n\n";
    struct Row {
        const char* name;
        std::string text;
        std::string sourceName;
        bool special;
    };
    const Row rows[] = {
        {"a text", Prose(40), "story.txt", false},
        {"a .ZIP document", Prose(40), "ARCHIVE.ZIP", true},
        {"an extension in small letters is upper-cased", Prose(40), "picture.jpeg", true},
        {"a description file", Prose(40), "file_id.diz", true},
        {"31 paragraphs: 32 table entries", Prose(31), "story.txt", false},
        {"30 paragraphs: 31 table entries", Prose(30), "story.txt", true},
        {"lines averaging more than 12 characters a word", longWords, "story.txt", true},
    };
    TempDir dir;
    int n = 0;
    for (const Row& row : rows) {
        const auto entry =
            ScanBook(MakeLibraryBook(dir.path(), std::to_string(n++) + ".book", row.text, row.sourceName));
        ASSERT_NE(entry, nullptr) << row.name;
        EXPECT_EQ(entry->special, row.special) << row.name;
    }
}

// Replaces the book's record store by `store`, sealed with `seed`.
void ReplaceStore(const std::filesystem::path& path, const std::vector<uint8_t>& store,
                  const DigestSeed& seed) {
    test::OpenedBook book(path);
    book.file.SetLength(book.header.storeOffset);
    book.file.Write(store.data(), int64_t(store.size()), book.header.storeOffset);
    book.file.WriteDigest(kDigestLength, kDigestRounds, seed, book.header.storeOffset,
                          book.header.storeOffset + int64_t(store.size()));
    book.file.Close();
}

TEST(BookScan, ALegacyStoreIsUpgradedAndListed) {
    TempDir dir;
    const auto path = MakeLibraryBook(dir.path(), "old.book", Prose(40));
    // The earlier encoding: 16-bit tags and lengths, 0xFFFF ending each record; author "An".
    std::vector<uint8_t> legacy = {0, 0, 0, 0};
    legacy.insert(legacy.end(), {8, 0, 4, 0, 'o', 0, 'k', 0, 0xFF, 0xFF});
    legacy.insert(legacy.end(), {48, 0, 4, 0, 'A', 0, 'n', 0, 0xFF, 0xFF});
    legacy.insert(legacy.end(), {0xFF, 0xFF});
    ReplaceStore(path, legacy, SeedA());
    {
        test::OpenedBook before(path);
        ASSERT_EQ(before.Check(), VerdictKind::Damaged);
    }
    const auto entry = ScanBook(path);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->author, u"An");
    EXPECT_EQ(entry->sourceName, "ok");
    test::OpenedBook after(path);
    EXPECT_EQ(after.Check(), VerdictKind::Ok);
    EXPECT_FALSE(std::filesystem::exists(StoreUndoPath(path)));
}

TEST(BookScan, ABookThatFailsEveryDigestIsLeftAsItIs) {
    TempDir dir;
    const auto path = MakeLibraryBook(dir.path(), "bad.book", Prose(40));
    auto bytes = test::ReadBytes(path);
    bytes[100] ^= 0x20;    // the text: the head digest fails
    bytes.back() ^= 0x01;  // the store digest fails under both seeds
    test::WriteBytes(path, bytes);
    EXPECT_EQ(ScanBook(path), nullptr);
    EXPECT_EQ(test::ReadBytes(path), bytes);
    EXPECT_FALSE(std::filesystem::exists(StoreUndoPath(path)));

    // Only the store digest wrong: the store is sealed again and the book listed.
    const auto repairable = MakeLibraryBook(dir.path(), "store.book", Prose(40));
    auto store = test::ReadBytes(repairable);
    store.back() ^= 0x01;
    test::WriteBytes(repairable, store);
    EXPECT_NE(ScanBook(repairable), nullptr);
    test::OpenedBook repaired(repairable);
    EXPECT_EQ(repaired.Check(), VerdictKind::Ok);

    // Not books at all.
    test::WriteText(dir / "text.book", "just some text that is not a book\n");
    EXPECT_EQ(ScanBook(dir / "text.book"), nullptr);
    std::filesystem::create_directory(dir / "folder.book");
    EXPECT_EQ(ScanBook(dir / "folder.book"), nullptr);
}

}  // namespace
}  // namespace corvalin
