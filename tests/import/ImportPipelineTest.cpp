// The import pipeline end to end: kinds by extension, naming, the encoding dialog's answers
// across a batch, prepared texts in Tmp/, and what a failure leaves behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

#include "ConverterSupport.h"
#include "books/BookFormat.h"
#include "books/BookText.h"
#include "import/CodepageTexts.h"
#include "import/ImportPipeline.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

// Answers the encoding dialog from a script and keeps what it was asked and told.
class ScriptedAnswers : public ImportQuestions {
public:
    struct Step {
        EncodingChoice choice = EncodingChoice::Import;
        int32_t codePage = 0;  // 0: the page the dialog opened on
    };
    std::deque<Step> script;
    std::vector<std::string> asked;
    std::vector<int32_t> openedOn;
    std::vector<bool> listShown;
    std::vector<bool> boxTicked;
    std::vector<ImportFailure> failures;

    EncodingAnswer AskEncoding(const EncodingQuestion& question) override {
        asked.push_back(question.documentName);
        openedOn.push_back(question.preview.CodePage());
        listShown.push_back(question.codePageListShown);
        boxTicked.push_back(question.everyLineParagraph);
        Step step;
        if (!script.empty()) {
            step = script.front();
            script.pop_front();
        }
        return {step.choice, step.codePage != 0 ? step.codePage : question.preview.CodePage(),
                question.everyLineParagraph};
    }
    void TellFailure(const ImportFailure& failure) override { failures.push_back(failure); }
};

// A program folder's Books/ and Tmp/.
struct Library {
    TempDir dir;
    ImportFolders folders{dir / "Books", dir / "Tmp"};

    std::vector<std::string> Books() const { return test::FileNames(folders.books); }
    std::vector<std::string> Tmp() const { return test::FileNames(folders.tmp); }
};

// The book's paragraphs as text: words and spaces as they stand, source line ends inside a
// paragraph as "\n", white space around it trimmed. The empty paragraph that stands before a
// first line that starts one of its own is left out.
std::vector<std::string> ParagraphTexts(const std::filesystem::path& book) {
    test::OpenedBook opened(book);
    EXPECT_EQ(opened.Check(), VerdictKind::Ok);
    std::vector<std::string> paragraphs;
    for (size_t p = 0; p + 1 < opened.paragraphs.size(); ++p) {
        if (opened.paragraphs[p] == opened.paragraphs[p + 1]) continue;
        TextItemReader reader(opened.file, opened.paragraphs[p], opened.paragraphs[p + 1]);
        std::u16string text;
        TextItem item;
        while (reader.Next(item)) {
            if (item.kind == TextItem::Kind::Word)
                text += item.word[0] == u'\t' ? item.word.substr(1) : item.word;
            else if (item.kind == TextItem::Kind::Space)
                text.append(size_t(item.columns), u' ');
            else
                text += u'\n';
        }
        const size_t first = text.find_first_not_of(u" \n");
        const size_t last = text.find_last_not_of(u" \n");
        paragraphs.push_back(
            first == std::u16string::npos ? "" : Utf16ToUtf8(text.substr(first, last - first + 1)));
    }
    return paragraphs;
}

TEST(DocumentKind, FollowsTheExtensionWhateverItsCase) {
    struct Case {
        const char* name;
        DocumentKind kind;
    };
    const Case cases[] = {
        {"a.txt", DocumentKind::Text},    {"a.TXT", DocumentKind::Text},
        {"README", DocumentKind::Text},   {"a.html.txt", DocumentKind::Text},
        {"a.htm", DocumentKind::Html},    {"a.HTML", DocumentKind::Html},
        {"a.ShTmL", DocumentKind::Html},  {"a.rtf", DocumentKind::Rtf},
        {"a.doc", DocumentKind::Word},    {"a.DOC", DocumentKind::Word},
        {"a.pdb", DocumentKind::PalmDoc}, {"a.PRC", DocumentKind::PalmDoc},
        {"a.docx", DocumentKind::Text},   {"a.rtf.gz", DocumentKind::Text},
        {".rtf", DocumentKind::Text},
    };
    for (const Case& c : cases) EXPECT_EQ(DocumentKindOf(c.name), c.kind) << c.name;
}

TEST(ImportPipeline, TheSameNameTwiceGivesANumberedSecondBook) {
    Library library;
    test::WriteText(library.dir / "a.b.txt", "Some text\n");
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1252});
    ASSERT_EQ(pipeline.ImportFile(library.dir / "a.b.txt"), kImported);
    ASSERT_EQ(pipeline.ImportFile(library.dir / "a.b.txt"), kImported);
    EXPECT_EQ(library.Books(), (std::vector<std::string>{"a_b_txt - 01.book", "a_b_txt.book"}));
    EXPECT_EQ(pipeline.LastBook()->book, library.folders.books / "a_b_txt - 01.book");
    EXPECT_EQ(answers.asked, (std::vector<std::string>{"a.b.txt", "a.b.txt"}));
}

TEST(ImportPipeline, TheAnswersSkipAbortAndImportTheRestWithoutAsking) {
    Library library;
    const std::string poem = "Пушкин\n\n  Руслан и Людмила\n";
    for (const char* name : {"one.txt", "two.txt", "three.txt", "four.txt"})
        test::WriteBytes(library.dir / name, test::EncodeInCodePage(poem, 866));
    ScriptedAnswers answers;
    answers.script = {{EncodingChoice::DoNotImport}, {EncodingChoice::ImportAll, 866}};
    ImportPipeline pipeline(library.folders, answers, {1251});
    pipeline.BeginBatch();
    EXPECT_EQ(pipeline.ImportFile(library.dir / "one.txt"), kSkipped);
    EXPECT_TRUE(library.Books().empty());
    EXPECT_EQ(pipeline.ImportFile(library.dir / "two.txt"), kImported);
    EXPECT_FALSE(pipeline.showEncodingDialog);
    EXPECT_EQ(pipeline.LastCodePage(), 866);
    // Not asked again: the page chosen last reads the next document.
    EXPECT_EQ(pipeline.ImportFile(library.dir / "three.txt"), kImported);
    EXPECT_EQ(answers.asked, (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(answers.openedOn, (std::vector<int32_t>{1251, 1251}));
    EXPECT_EQ(ParagraphTexts(library.folders.books / "three_txt.book"),
              (std::vector<std::string>{"Пушкин", "Руслан и Людмила"}));

    // A new batch asks again; Abort stops it and leaves the books made.
    pipeline.BeginBatch();
    answers.script = {{EncodingChoice::Abort}};
    EXPECT_EQ(pipeline.ImportFile(library.dir / "four.txt"), kAbortBatch);
    EXPECT_EQ(library.Books(), (std::vector<std::string>{"three_txt.book", "two_txt.book"}));
    EXPECT_EQ(answers.openedOn.back(), 866) << "the dialog opens on the page chosen last";
}

TEST(ImportPipeline, AByteOrderMarkDecidesThePageAndIsNotRemembered) {
    Library library;
    std::vector<uint8_t> utf16 = {0xFE, 0xFF};
    for (char16_t c : std::u16string(u"Ελληνικά\n")) utf16.insert(utf16.end(), {uint8_t(c >> 8), uint8_t(c)});
    test::WriteBytes(library.dir / "greek.txt", utf16);
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1251});
    ASSERT_EQ(pipeline.ImportFile(library.dir / "greek.txt"), kImported);
    EXPECT_EQ(answers.openedOn, std::vector<int32_t>{kCodePageUnicodeBigEndian});
    EXPECT_EQ(ParagraphTexts(pipeline.LastBook()->book), std::vector<std::string>{"Ελληνικά"});
    EXPECT_EQ(pipeline.LastCodePage(), 1251);
}

TEST(ImportPipeline, DetectionReadsEachDocumentOfABatchInItsOwnPage) {
    const std::string text = test::CommonRepertoire(test::FortuneText("ru", 20000), {1251, 866, 20866});
    if (text.size() < 10000) GTEST_SKIP() << "Debian's fortunes-ru is not installed";
    Library library;
    test::WriteText(library.dir / "reference.txt", text);
    for (int32_t page : {1251, 866, 20866})
        test::WriteBytes(library.dir / ("text" + std::to_string(page) + ".txt"),
                         test::EncodeInCodePage(text, page));
    ScriptedAnswers answers;
    answers.script = {{EncodingChoice::ImportAll}};
    ImportPipeline pipeline(library.folders, answers, {0, true});
    ASSERT_EQ(pipeline.ImportFile(library.dir / "reference.txt"), kImported);
    const auto expected = ParagraphTexts(pipeline.LastBook()->book);
    for (int32_t page : {1251, 866, 20866}) {
        ASSERT_EQ(pipeline.ImportFile(library.dir / ("text" + std::to_string(page) + ".txt")), kImported);
        EXPECT_EQ(pipeline.LastBook()->codePage, page);
        EXPECT_EQ(ParagraphTexts(pipeline.LastBook()->book), expected) << page;
    }
    EXPECT_EQ(answers.asked.size(), 1u);
}

TEST(ImportPipeline, MarkupByExtensionOrByItsFirstTagIsOneParagraphPerLineWithItsTitle) {
    Library library;
    const std::string page =
        "<html><head><title>Ivanov. Works</title></head><body>"
        "<h1>Chapter&nbsp;1</h1><p>It was a <b>dark</b> night,\nand AT&T rules.</p>"
        "<p>&lt;p&gt; &#65;</p></body></html>";
    test::WriteText(library.dir / "page.htm", page);
    test::WriteText(library.dir / "page.txt", page);
    test::WriteText(library.dir / "plain.txt", "<p>not markup</p>\n");
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1252});
    const std::vector<std::string> expected = {"", "Ivanov. Works", "Chapter\u00A01",
                                               "It was a dark night, and AT&T rules.", "<p> A"};
    ASSERT_EQ(pipeline.ImportFile(library.dir / "page.htm"), kImported);
    EXPECT_EQ(ParagraphTexts(pipeline.LastBook()->book), expected);
    EXPECT_EQ(Utf16ToUtf8(pipeline.LastBook()->sourceTitle), "Ivanov. Works");
    ASSERT_EQ(pipeline.ImportFile(library.dir / "page.txt"), kImported);
    EXPECT_EQ(pipeline.LastBook()->kind, DocumentKind::Html);
    EXPECT_EQ(ParagraphTexts(pipeline.LastBook()->book), expected);
    EXPECT_EQ(Utf16ToUtf8(pipeline.LastBook()->sourceTitle), "Ivanov. Works");
    ASSERT_EQ(pipeline.ImportFile(library.dir / "plain.txt"), kImported);
    EXPECT_EQ(pipeline.LastBook()->kind, DocumentKind::Text);
    EXPECT_EQ(ParagraphTexts(pipeline.LastBook()->book), std::vector<std::string>{"<p>not markup</p>"});
    EXPECT_EQ(answers.boxTicked, (std::vector<bool>{true, true, false}));
}

TEST(ImportPipeline, RtfDocumentsPassThroughTmpAndGiveTheirText) {
    const auto folder = test::SharedFixtures("rtf");
    if (folder.empty()) GTEST_SKIP() << "the shared rtf fixtures are missing";
    Library library;
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1251});
    for (const char* name : {"ansicpg1250", "french", "unicode", "specialchars"}) {
        SCOPED_TRACE(name);
        ASSERT_EQ(pipeline.ImportFile(folder / (std::string(name) + ".rtf")), kImported);
        std::string text;
        for (const auto& paragraph : ParagraphTexts(pipeline.LastBook()->book)) text += paragraph + "\n";
        const auto expected = test::ReadBytes(folder / (std::string(name) + ".expected.txt"));
        EXPECT_EQ(test::CompareWordsAndLines(Utf8ToUtf16(std::string(expected.begin(), expected.end())),
                                             Utf8ToUtf16(text)),
                  "");
        EXPECT_TRUE(library.Tmp().empty());
    }
    // The prepared text is UTF-16: no code page list, and the page chosen last stays.
    EXPECT_EQ(answers.listShown, std::vector<bool>(4, false));
    EXPECT_EQ(answers.openedOn, std::vector<int32_t>(4, kCodePageUnicode));
    EXPECT_EQ(pipeline.LastCodePage(), 1251);
    // The book names the document and its size, not its prepared text's.
    test::OpenedBook opened(pipeline.LastBook()->book);
    VEMOpt store;
    ASSERT_EQ(LoadBookStore(opened.file, opened.header.storeOffset, store), VerdictKind::Ok);
    EXPECT_EQ(Utf16ToUtf8(store.GetWideString(kTagSourceName, u"")), "specialchars.rtf");
    EXPECT_EQ(store.GetInt(kTagSourceSize, -1),
              int32_t(std::filesystem::file_size(folder / "specialchars.rtf")));
}

TEST(ImportPipeline, PalmDocTextIsReadInTheChosenPage) {
    if (!test::HaveProgram("txt2pdbdoc")) GTEST_SKIP() << "txt2pdbdoc is not installed";
    Library library;
    test::WriteBytes(library.dir / "poem.txt", test::EncodeInCodePage("Пушкин\n\nРуслан и Людмила\n", 1251));
    ASSERT_EQ(test::Run("txt2pdbdoc Poem '" + (library.dir / "poem.txt").string() + "' '" +
                        (library.dir / "poem.pdb").string() + "'"),
              0);
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1251});
    ASSERT_EQ(pipeline.ImportFile(library.dir / "poem.pdb"), kImported);
    EXPECT_EQ(ParagraphTexts(pipeline.LastBook()->book),
              (std::vector<std::string>{"Пушкин", "", "Руслан и Людмила"}));
    EXPECT_EQ(answers.listShown, std::vector<bool>{true});
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ImportPipeline, FailuresAreToldAndLeaveNothingBehind) {
    Library library;
    test::WriteText(library.dir / "empty.txt", "");
    test::WriteText(library.dir / "damaged.pdb", std::string(100, 'x'));
    test::WriteText(library.dir / "damaged.rtf", "{\\rtf1 " + std::string(600, '{') + "x}");
    test::WriteText(library.dir / "notrtf.rtf", "plain words");
    std::filesystem::create_directory(library.dir / "folder.txt");
    struct Case {
        const char* name;
        int result;
        const char* detail;  // part of what the reader is told
    };
    const Case cases[] = {
        {"empty.txt", kSkipped, "no text"}, {"damaged.pdb", kSkipped, "PalmDoc"},
        {"damaged.rtf", kSkipped, "RTF"},   {"notrtf.rtf", kSkipped, "RTF"},
        {"folder.txt", kSkipped, "folder"}, {"missing.txt", kSkipped, "cannot open"},
    };
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1252});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answers.failures.clear();
        EXPECT_EQ(pipeline.ImportFile(library.dir / c.name), c.result);
        ASSERT_EQ(answers.failures.size(), 1u);
        EXPECT_EQ(answers.failures[0].kind, ImportFailure::Kind::ConversionFailed);
        EXPECT_EQ(answers.failures[0].document, library.dir / c.name);
        EXPECT_NE(answers.failures[0].detail.find(c.detail), std::string::npos) << answers.failures[0].detail;
        EXPECT_TRUE(library.Books().empty());
        EXPECT_TRUE(library.Tmp().empty());
    }
}

TEST(ImportPipeline, AnAbortedOrFailedConversionOfAPreparedTextLeavesNothingBehind) {
    const auto folder = test::SharedFixtures("rtf");
    if (folder.empty()) GTEST_SKIP() << "the shared rtf fixtures are missing";
    Library library;
    ScriptedAnswers answers;
    ImportPipeline pipeline(library.folders, answers, {1252});
    answers.script = {{EncodingChoice::Abort}, {EncodingChoice::DoNotImport}};
    EXPECT_EQ(pipeline.ImportFile(folder / "sample_3.rtf"), kAbortBatch);
    EXPECT_EQ(pipeline.ImportFile(folder / "sample_3.rtf"), kSkipped);
    EXPECT_TRUE(library.Books().empty());
    EXPECT_TRUE(library.Tmp().empty());

    // The disk fills while the book is written: the batch stops, and neither a part of the
    // book nor the prepared text stays.
    {
        test::FileSizeLimit limit(64 * 1024);
        std::string big = "{\\rtf1\\ansi ";
        for (int i = 0; i < 20000; ++i) big += "A line of the story number " + std::to_string(i) + ".\\par\n";
        big += "}";
        test::WriteText(library.dir / "big.rtf", big);
        EXPECT_EQ(pipeline.ImportFile(library.dir / "big.rtf"), kAbortBatch);
    }
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_TRUE(library.Books().empty());
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ImportPipeline, ALibraryOrTmpThatCannotBeMadeStopsTheBatch) {
    Library library;
    test::WriteText(library.dir / "text.txt", "words\n");
    test::WriteText(library.dir / "letter.rtf", "{\\rtf1 words}");
    ScriptedAnswers answers;
    // A file where the folder should be: no user, root included, can make the folder there.
    test::WriteText(library.folders.books, "not a folder");
    ImportPipeline pipeline(library.folders, answers, {1252});
    EXPECT_EQ(pipeline.ImportFile(library.dir / "text.txt"), kAbortBatch);
    std::filesystem::remove(library.folders.books);
    test::WriteText(library.folders.tmp, "not a folder");
    EXPECT_EQ(pipeline.ImportFile(library.dir / "letter.rtf"), kAbortBatch);
    ASSERT_EQ(answers.failures.size(), 2u);
    EXPECT_NE(answers.failures[0].detail.find("Books"), std::string::npos) << answers.failures[0].detail;
    EXPECT_NE(answers.failures[1].detail.find("Tmp"), std::string::npos) << answers.failures[1].detail;
    EXPECT_TRUE(library.Books().empty());
}

struct ToolRun {
    int status = -1;
    std::vector<std::string> lines;  // what it printed
    std::string errors;
};

ToolRun RunConvert(const TempDir& dir, const std::string& arguments) {
    const std::string command = std::string(CORVALIN_TOOLS_DIR) + "/corvalin-convert " + arguments + " > '" +
                                (dir / "out").string() + "' 2> '" + (dir / "err").string() + "'";
    ToolRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    const auto out = test::ReadBytes(dir / "out");
    std::string line;
    for (const uint8_t c : out) {
        if (c == '\n') {
            run.lines.push_back(line);
            line.clear();
        } else {
            line += char(c);
        }
    }
    const auto errors = test::ReadBytes(dir / "err");
    run.errors.assign(errors.begin(), errors.end());
    return run;
}

TEST(ImportPipeline, TheConvertToolReadsKindsByExtensionOrAsToldAndPreparesBesideTheBooks) {
    Library library;
    const std::string books = "'" + library.folders.books.string() + "'";
    const std::string page = "<p>One</p><p>Two &amp; three</p>";
    test::WriteText(library.dir / "page.html", page);
    test::WriteText(library.dir / "page.dat", page);
    test::WriteText(library.dir / "letter.rtf", "{\\rtf1\\ansi Dear reader,\\par thank you.\\par}");
    test::WriteText(library.dir / "empty.txt", "");

    ToolRun run = RunConvert(library.dir, "--books " + books + " " + (library.dir / "page.html").string() +
                                              " " + (library.dir / "empty.txt").string() + " " +
                                              (library.dir / "letter.rtf").string());
    EXPECT_EQ(run.status, 1) << "one document failed";
    ASSERT_EQ(run.lines.size(), 2u) << run.errors;
    EXPECT_EQ(ParagraphTexts(run.lines[0]), (std::vector<std::string>{"", "One", "Two & three"}));
    EXPECT_EQ(ParagraphTexts(run.lines[1]), (std::vector<std::string>{"Dear reader,", "thank you."}));
    EXPECT_NE(run.errors.find("empty.txt: the document holds no text"), std::string::npos) << run.errors;
    EXPECT_TRUE(library.Tmp().empty());

    // By its extension the page is plain text; told, it is markup.
    run = RunConvert(library.dir, "--books " + books + " " + (library.dir / "page.dat").string());
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(ParagraphTexts(run.lines[0]), std::vector<std::string>{page});
    run = RunConvert(library.dir, "--books " + books + " --kind html " + (library.dir / "page.dat").string());
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(ParagraphTexts(run.lines[0]), (std::vector<std::string>{"", "One", "Two & three"}));
    EXPECT_EQ(RunConvert(library.dir, "--kind pdf " + (library.dir / "page.dat").string()).status, 1);

    // A library that cannot be made stops the run; the rest is named as not converted.
    test::WriteText(library.dir / "file", "");
    run = RunConvert(library.dir, "--books '" + (library.dir / "file").string() + "' " +
                                      (library.dir / "page.html").string() + " " +
                                      (library.dir / "page.dat").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.lines.empty());
    EXPECT_NE(run.errors.find("page.dat: not converted"), std::string::npos) << run.errors;
}

}  // namespace
}  // namespace corvalin
