#include <gtest/gtest.h>

#include <map>

#include "books/HeadingDetection.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::OpenedBook;
using test::TempDir;

std::map<uint32_t, int32_t> HeadingIndex(VEMOpt& store) {
    std::map<uint32_t, int32_t> index;
    VEMOpt* headings = store.Find(kTagHeadings);
    if (!headings) return index;
    for (VEMOpt* child = headings->First(); child; child = headings->Next(child))
        index[child->Key()] = headings->GetInt(child->Key(), -1);
    return index;
}

std::map<uint32_t, int32_t> HeadingsOfBook(const std::filesystem::path& path) {
    OpenedBook book(path);
    VEMOpt store;
    LoadBookStore(book.file, book.header.storeOffset, store);
    return HeadingIndex(store);
}

struct HeadingCase {
    const char* name;
    std::string text;                      // paragraph 0 is the first line
    std::map<uint32_t, int32_t> headings;  // paragraph -> words
};

class HeadingRules : public ::testing::TestWithParam<HeadingCase> {};

TEST_P(HeadingRules, FindsHeadingsByShape) {
    const HeadingCase& c = GetParam();
    TempDir dir;
    EXPECT_EQ(HeadingsOfBook(test::BuildBookFromUtf8(dir, c.text)), c.headings);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, HeadingRules,
    ::testing::Values(
        HeadingCase{"TwoWordsThenBody", "Two Words\nbody text follows.\n", {{0, 2}}},
        HeadingCase{"NumberAlone", "12\n", {{0, 1}}}, HeadingCase{"OneOrdinaryWord", "Word\n", {}},
        HeadingCase{"NumberWithFullStop", "1.\n", {{0, 1}}},
        HeadingCase{"ChapterAndNumber", "Chapter 7\n", {{0, 2}}},
        HeadingCase{"SecondWordEndsSentence", "Two words.\n", {}},
        HeadingCase{"FiveWords", "one two three four five\n", {{0, 5}}},
        HeadingCase{"SixWords", "one two three four five six\n", {}},
        HeadingCase{"DialogueExclamation", "- Go away!\n", {}},
        HeadingCase{"DialogueWithoutDigits", "- Hello there\n", {}},
        HeadingCase{"DialogueDashAndNumbers", "- 1 2\n", {{0, 2}}},
        HeadingCase{"OnlyFirstLineCounts", "Part One\nand a long line of body text goes on here\n", {{0, 2}}},
        // A first line too long to keep in memory is read back from the file.
        HeadingCase{"HeadingBehindAHugeSpaceRun", "7" + std::string(600000, ' ') + "Up\nbody.\n", {{0, 2}}},
        HeadingCase{"LaterParagraphs",
                    "Body text here.\n\nChapter 2\n\nMore body text.\n\nThe End\n",
                    {{1, 2}, {3, 2}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HeadingDetection, EmptyAndBlankParagraphsAreNoCandidates) {
    TempDir dir;
    // Every line a paragraph: paragraph 0 is empty, paragraph 1 is the blank line.
    EXPECT_EQ(HeadingsOfBook(test::BuildBookFromUtf8(dir, "\nChapter 3\n", true)),
              (std::map<uint32_t, int32_t>{{2, 2}}));
}

TEST(HeadingDetection, FindingHeadingsLeavesTheFileAlone) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, "Chapter 1\n\nText.\n\nChapter 2\n");
    const auto before = test::ReadBytes(path);
    OpenedBook book(path);
    const VEMChapter chapters = FindHeadings(book.file, 1, 0, nullptr);
    ASSERT_EQ(chapters.size(), 2u);
    EXPECT_EQ(chapters[0].paragraph, 0);
    EXPECT_EQ(chapters[1].headingText, u"Chapter 2");
    book.file.Close();
    EXPECT_EQ(test::ReadBytes(path), before);
}

TEST(HeadingDetection, RerunGivesTheSameIndexAndCutsAShorterStore) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, "Chapter 1\n\nText.\n\nChapter 2\n");
    const auto before = HeadingsOfBook(path);
    const auto lengthBefore = std::filesystem::file_size(path);
    {
        OpenedBook book(path);
        VEMOpt store;
        LoadBookStore(book.file, book.header.storeOffset, store);
        // A stale, longer index must not leave bytes behind the new store.
        VEMOpt* stale = store.Child(kTagHeadings);
        for (uint32_t p = 100; p < 200; ++p) stale->SetInt(p, 1);
        RewriteBookStore(book.file, store);
        ASSERT_GT(book.file.Length(), int64_t(lengthBefore));
        DetectHeadings(book.file, store, 1, 0, nullptr);
        EXPECT_EQ(book.Check(), VerdictKind::Ok);
    }
    EXPECT_EQ(std::filesystem::file_size(path), lengthBefore);
    EXPECT_EQ(HeadingsOfBook(path), before);
    EXPECT_EQ(before, (std::map<uint32_t, int32_t>{{0, 2}, {2, 2}}));
}

}  // namespace
}  // namespace corvalin
