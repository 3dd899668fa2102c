#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <sstream>

#include "books/BookWriter.h"
#include "import/BuildBook.h"
#include "import/UnicodeSources.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::OpenedBook;
using test::TempDir;

std::vector<std::string> Paragraphs(OpenedBook& book) {
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < book.paragraphs.size(); ++i) out.push_back(book.Paragraph(i));
    return out;
}

struct ParagraphCase {
    const char* name;
    std::string text;
    bool everyLineParagraph;
    std::vector<std::string> paragraphs;  // items: words, <n> spaces, | line ends
};

class ParagraphRules : public ::testing::TestWithParam<ParagraphCase> {};

TEST_P(ParagraphRules, SplitsTheTextAsTheReaderExpects) {
    const ParagraphCase& c = GetParam();
    TempDir dir;
    OpenedBook book(test::BuildBookFromUtf8(dir, c.text, c.everyLineParagraph));
    ASSERT_EQ(book.Check(), VerdictKind::Ok);
    EXPECT_EQ(Paragraphs(book), c.paragraphs);
}

const std::string k600(600, 'x');

INSTANTIATE_TEST_SUITE_P(
    Import, ParagraphRules,
    ::testing::Values(
        ParagraphCase{"OneShortLine", "Hello world", false, {"\tHello <1> world |"}},
        ParagraphCase{"CarriageReturnsDropped", "a\r\nb\r\n", false, {"\ta | b |"}},
        ParagraphCase{"BlankLineStartsParagraph", "a\nb\n\nc\n", false, {"\ta | b | |", "\tc |"}},
        ParagraphCase{"AllIndentedAlikeIsOneParagraph",
                      "    a\n    b\n    c\n    d\n",
                      false,
                      {"<4> \ta | <4> b | <4> c | <4> d |"}},
        ParagraphCase{"IndentedFirstLines",
                      "    A first\nline here\nmore text\n    Second\nline\n",
                      false,
                      {"<4> \tA <1> first | line <1> here | more <1> text |", "<4> \tSecond | line |"}},
        ParagraphCase{"DeeperThanRegularIndent",
                      "  a\n  b\n  c\n      d\n  e\n",
                      false,
                      {"<2> \ta | <2> b | <2> c |", "<6> \td | <2> e |"}},
        ParagraphCase{"EveryLineParagraph", "a\nb\n", true, {"", "\ta |", "\tb |"}},
        ParagraphCase{"PreformattedMarks",
                      "\x02"
                      "a\nb\n\x01"
                      "c\nd\n",
                      false,
                      {"\ta |", "\tb |", "\tc | d |"}},
        // A control unit ends the leading white space; whether the line has text is then
        // decided by what follows, however far along the line it stands.
        ParagraphCase{
            "ControlThenBlanksHasNoText", "a\n\x03            \nb\n", false, {"\ta | <12> |", "\tb |"}},
        ParagraphCase{"ControlThenFarTextHasText",
                      "a\n\x03            \u4e2d\nb\n",
                      false,
                      {"\ta | <12> \u4e2d | b |"}},
        ParagraphCase{"LongSpaceRun", std::string(300, ' ') + "word", false, {"<255> <45> \tword |"}},
        ParagraphCase{"TabsInsideAndLeading", "\tx\nab\tc\n", false, {"<8> \tx | ab <6> c |"}},
        // The white-space line's indent (11) exceeds the usual indent, so it opens a paragraph.
        ParagraphCase{"WhiteSpaceOnlyLine", "a\n  \t \nb\n", false, {"\ta |", "<9> |", "\tb |"}},
        ParagraphCase{
            "LongWordIsCut",
            k600,
            false,
            {"\t" + k600.substr(0, 250) + " " + k600.substr(250, 250) + " " + k600.substr(500) + " |"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ParagraphRules, UsualIndentPrefersTheSmallerOnTies) {
    std::vector<LineRecord> lines(5);
    lines[0].regularIndent = 4;
    lines[1].regularIndent = 4;
    lines[2].regularIndent = 2;
    lines[3].regularIndent = 2;
    lines[4].regularIndent = -1;
    EXPECT_EQ(UsualIndent(lines), 2);
    EXPECT_EQ(UsualIndent({}), 0);
}

TEST(ParagraphRules, ABlockWithoutRegularIndentRunsAcrossBlankLines) {
    // Lines 0-1 have no regular indent, so the blank line does not end their block and
    // lines 3-5 (regular 3) pass their indent on to them.
    std::vector<LineRecord> lines(6);
    const int indents[] = {0, 5, 0, 3, 3, 3};
    const bool text[] = {true, true, false, true, true, true};
    for (size_t i = 0; i < lines.size(); ++i) lines[i].indent = indents[i], lines[i].hasText = text[i];
    AssignRegularIndents(lines);
    for (const LineRecord& line : lines) EXPECT_EQ(line.regularIndent, 3);
}

TEST(BuildBook, TablesMatchTheLinesAndParagraphs) {
    TempDir dir;
    OpenedBook book(test::BuildBookFromUtf8(dir, "Hello world"));
    EXPECT_EQ(book.header.paragraphCount, 2);
    EXPECT_EQ(book.header.lineCount, 2);
    EXPECT_EQ(book.paragraphs, (std::vector<int32_t>{40, book.header.textEnd}));
    EXPECT_EQ(book.lines, (std::vector<int32_t>{40, book.header.textEnd}));
}

TEST(BuildBook, UnicodeFormsGiveTheSameBook) {
    const std::u16string text = u"Caf\u00e9 \U0001F600\nna\u00efve \u0416\n";
    const std::string utf8 = Utf16ToUtf8(text);
    std::vector<uint8_t> le{0xFF, 0xFE}, be{0xFE, 0xFF};
    for (char16_t c : text) {
        le.insert(le.end(), {uint8_t(c), uint8_t(c >> 8)});
        be.insert(be.end(), {uint8_t(c >> 8), uint8_t(c)});
    }
    TempDir dir;
    std::vector<std::string> dumps;
    int n = 0;
    for (const auto& bytes : {std::vector<uint8_t>(utf8.begin(), utf8.end()), le, be}) {
        auto source = MakeUnicodeSource(bytes, DetectUnicodeForm(bytes.data(), bytes.size()));
        const auto path = dir / ("b" + std::to_string(n++) + ".book");
        BuildBook(*source, path, int64_t(bytes.size()), u"x", {});
        OpenedBook book(path);
        dumps.push_back(book.Items(book.header.textStart, book.header.textEnd));
    }
    EXPECT_EQ(dumps[0], "\tCaf\u00e9 <1> \U0001F600 | na\u00efve <1> \u0416 |");
    EXPECT_EQ(dumps[1], dumps[0]);
    EXPECT_EQ(dumps[2], dumps[0]);
}

TEST(BuildBook, MalformedUtf8BecomesReplacementCharacters) {
    TempDir dir;
    OpenedBook book(test::BuildBookFromUtf8(dir, "a\xff\xc3 b\xe2\x82"));
    EXPECT_EQ(book.Items(book.header.textStart, book.header.textEnd), "\ta\uFFFD\uFFFD <1> b\uFFFD\uFFFD |");
}

TEST(BuildBook, EmptyDocumentLeavesNoBookBehind) {
    TempDir dir;
    EXPECT_THROW(test::BuildBookFromUtf8(dir, ""), BookBuildError);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(BuildBook, NeverReplacesAFileThatHasTheBooksName) {
    TempDir dir;
    test::WriteText(dir / "book.book", "someone else's file");
    EXPECT_THROW(test::BuildBookFromUtf8(dir, "Some text\n"), BookBuildError);
    const auto kept = test::ReadBytes(dir / "book.book");
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "someone else's file");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(BuildBook, ANewBookTakesThePermissionsTheUmaskGives) {
    TempDir dir;
    const mode_t before = ::umask(022);
    const auto shared = test::BuildBookFromUtf8(dir, "Some text\n", false, "shared.book");
    ::umask(077);
    const auto own = test::BuildBookFromUtf8(dir, "Some text\n", false, "own.book");
    ::umask(before);
    using std::filesystem::perms;
    EXPECT_EQ(std::filesystem::status(shared).permissions() & perms::all,
              perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    EXPECT_EQ(std::filesystem::status(own).permissions() & perms::all,
              perms::owner_read | perms::owner_write);
}

TEST(BuildBook, TheConvertToolSaysWhatIsWrongWithAFileItCannotRead) {
    TempDir dir;
    std::filesystem::create_directory(dir / "a folder");
    test::WriteText(dir / "empty.txt", "");
    struct Case {
        const char* name;
        std::filesystem::path path;
        const char* said;
    };
    const Case cases[] = {
        {"folder", dir / "a folder", "is a folder"},
        {"missing", dir / "missing.txt", "cannot open"},
        {"empty", dir / "empty.txt", "empty"},
    };
    for (const Case& c : cases) {
        const std::string convert = std::string(CORVALIN_TOOLS_DIR) + "/corvalin-convert --books " +
                                    (dir / "Books").string() + " '" + c.path.string() + "' 2> " +
                                    (dir / "said").string();
        const int status = std::system(convert.c_str());
        EXPECT_EQ(WEXITSTATUS(status), 1) << c.name;
        const auto said = test::ReadBytes(dir / "said");
        const std::string text(said.begin(), said.end());
        EXPECT_NE(text.find(c.said), std::string::npos) << c.name << ": " << text;
        EXPECT_EQ(text.find("bad_alloc"), std::string::npos) << c.name;
    }
}

// Words and line structure of a real text survive conversion and the dump.
std::vector<std::vector<std::string>> WordsPerLine(const std::string& text) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        lines.emplace_back();
        for (std::string w; words >> w;) lines.back().push_back(w);
    }
    return lines;
}

TEST(BuildBook, RealTextRoundTripsThroughTheDumpTool) {
    for (const char* source :
         {CORVALIN_SOURCE_DIR "/data/samples/Welcome.txt", "/usr/share/common-licenses/GPL-3"}) {
        if (!std::filesystem::exists(source)) continue;
        TempDir dir;
        const std::string convert = std::string(CORVALIN_TOOLS_DIR) + "/corvalin-convert --books " +
                                    dir.path().string() + " " + source + " > " + (dir / "made").string();
        ASSERT_EQ(std::system(convert.c_str()), 0) << source;
        const auto made = test::ReadBytes(dir / "made");
        const std::string book(made.begin(), std::find(made.begin(), made.end(), '\n'));
        const std::string dump = "cd " + dir.path().string() + " && " + CORVALIN_TOOLS_DIR +
                                 "/corvalin-book text '" + book + "' > dump.txt";
        ASSERT_EQ(std::system(dump.c_str()), 0) << source;
        const auto original = test::ReadBytes(source);
        const auto dumped = test::ReadBytes(dir / "dump.txt");
        EXPECT_EQ(WordsPerLine(std::string(dumped.begin(), dumped.end())),
                  WordsPerLine(std::string(original.begin(), original.end())))
            << source;
    }
}

}  // namespace
}  // namespace corvalin
