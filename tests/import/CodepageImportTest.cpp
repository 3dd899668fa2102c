// Whole imports of plain text in code pages, through the library call and through the tool.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "import/CodepageSource.h"
#include "import/CodepageTexts.h"
#include "import/ImportFile.h"

namespace corvalin {
namespace {

using test::OpenedBook;
using test::TempDir;

std::vector<std::string> Paragraphs(const std::filesystem::path& book) {
    OpenedBook opened(book);
    EXPECT_EQ(opened.Check(), VerdictKind::Ok);
    std::vector<std::string> out;
    for (size_t i = 0; i + 1 < opened.paragraphs.size(); ++i) out.push_back(opened.Paragraph(i));
    return out;
}

// The shared Russian poem, limited to what cp1251, cp866 and KOI8-R all have (the others
// lack « » — …), as UTF-8.
std::string CommonRussianText() {
    const auto path = test::SharedFixture("cyrillic/ruslan-cp1251.txt");
    if (!std::filesystem::exists(path)) return {};
    auto source = MakeCodepageSource(test::ReadBytes(path), 1251);
    std::u16string text;
    char16_t block[4096];
    while (const size_t n = source->ReadUnits(block, 4096)) text.append(block, n);
    return test::CommonRepertoire(Utf16ToUtf8(text), {1251, 866, 20866});
}

TEST(CodepageImport, TheSameTextInThreeCyrillicPagesMakesTheSameBook) {
    const std::string text = CommonRussianText();
    if (text.empty()) GTEST_SKIP() << "no shared fixtures";
    TempDir dir;
    test::WriteText(dir / "reference.txt", text);
    const auto reference =
        Paragraphs(ImportFile(dir / "reference.txt", dir / "Books", {}, TextDecoding{65001, false}));
    ASSERT_GT(reference.size(), 100u);
    for (int32_t page : {1251, 866, 20866}) {
        const std::string name = "ruslan-" + std::to_string(page) + ".txt";
        test::WriteBytes(dir / name, test::EncodeInCodePage(text, page));
        EXPECT_EQ(Paragraphs(ImportFile(dir / name, dir / "Books", {}, TextDecoding{page, false})), reference)
            << "code page " << page << " named";
        int32_t used = 0;
        EXPECT_EQ(
            Paragraphs(ImportFile(dir / name, dir / "Books", {}, TextDecoding{0, true}, nullptr, &used)),
            reference)
            << "code page " << page << " detected";
        EXPECT_EQ(used, page);
    }
}

struct ToolRun {
    int status = -1;
    std::vector<std::string> lines;
};

ToolRun RunConvert(const std::string& arguments) {
    const std::string command =
        std::string(CORVALIN_TOOLS_DIR) + "/corvalin-convert " + arguments + " 2>/dev/null";
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char line[4096];
    while (fgets(line, sizeof line, pipe) != nullptr) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        run.lines.push_back(text);
    }
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(CodepageImport, ConvertToolTakesACodePageOrDetectsIt) {
    const std::string text = CommonRussianText();
    if (text.empty()) GTEST_SKIP() << "no shared fixtures";
    TempDir dir;
    const std::string books = (dir / "Books").string();
    test::WriteText(dir / "reference.txt", text);
    test::WriteBytes(dir / "poem866.txt", test::EncodeInCodePage(text, 866));
    const ToolRun reference =
        RunConvert("--books " + books + " --codepage 65001 " + (dir / "reference.txt").string());
    ASSERT_EQ(reference.status, 0);
    ASSERT_EQ(reference.lines.size(), 1u);
    const auto expected = Paragraphs(reference.lines[0]);

    for (const char* choice : {"866", "auto"}) {
        const ToolRun run =
            RunConvert("--books " + books + " --codepage " + choice + " " + (dir / "poem866.txt").string());
        ASSERT_EQ(run.status, 0) << choice;
        ASSERT_EQ(run.lines.size(), 1u) << choice;
        EXPECT_EQ(Paragraphs(run.lines[0]), expected) << choice;
    }
    // Read as cp1251 the same bytes make another text.
    const ToolRun wrong =
        RunConvert("--books " + books + " --codepage 1251 " + (dir / "poem866.txt").string());
    ASSERT_EQ(wrong.status, 0);
    EXPECT_NE(Paragraphs(wrong.lines[0]), expected);

    // A byte-order mark wins over the page asked for.
    std::vector<uint8_t> utf16 = {0xFF, 0xFE};
    for (char16_t c : Utf8ToUtf16(text)) utf16.insert(utf16.end(), {uint8_t(c), uint8_t(c >> 8)});
    test::WriteBytes(dir / "poem16.txt", utf16);
    const ToolRun marked =
        RunConvert("--books " + books + " --codepage 1251 " + (dir / "poem16.txt").string());
    ASSERT_EQ(marked.status, 0);
    EXPECT_EQ(Paragraphs(marked.lines[0]), expected);

    for (const char* bad : {"1200", "12345", "cp1251", "99999999999", ""}) {
        EXPECT_EQ(
            RunConvert("--books " + books + " --codepage '" + bad + "' " + (dir / "poem866.txt").string())
                .status,
            1)
            << bad;
    }
}

}  // namespace
}  // namespace corvalin
