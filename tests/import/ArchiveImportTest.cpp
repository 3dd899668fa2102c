// Archives and Word documents through the import pipeline: archives made at test time by the
// real archivers, members chosen and skipped, passwords, and what is left in Books/ and Tmp/.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ConverterSupport.h"
#include "archive/ArchiveTestTools.h"
#include "import/CodepageTexts.h"
#include "import/DocumentKind.h"
#include "import/ImportPipeline.h"
#include "import/WordDocument.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

const std::string kPoem = "Мой дядя самых честных правил,\nКогда не в шутку занемог,\n";

// Answers every encoding question with the page the dialog opened on (or the script's choice)
// and the member list from `choose`; keeps what it was asked and told.
class ScriptedImport : public ImportQuestions {
public:
    std::deque<EncodingChoice> encodingScript;
    std::function<MemberChoice(const MemberQuestion&)> choose;
    test::ScriptedQuestions archive;
    std::vector<std::string> encodingAsks;
    std::vector<std::vector<std::pair<std::string, bool>>> memberLists;  // name, ticked
    std::vector<ImportFailure> failures;

    EncodingAnswer AskEncoding(const EncodingQuestion& question) override {
        encodingAsks.push_back(question.documentName);
        EncodingChoice choice = EncodingChoice::Import;
        if (!encodingScript.empty()) {
            choice = encodingScript.front();
            encodingScript.pop_front();
        }
        return {choice, question.preview.CodePage(), question.everyLineParagraph};
    }
    void TellFailure(const ImportFailure& failure) override { failures.push_back(failure); }
    MemberChoice ChooseMembers(const MemberQuestion& question) override {
        std::vector<std::pair<std::string, bool>> shown;
        for (const ListedMember& listed : question.members)
            shown.emplace_back(listed.member.name, listed.selected);
        memberLists.push_back(shown);
        return choose ? choose(question) : MemberChoice::Ok;
    }
    ArchiveQuestions* ArchiveAnswers() override { return &archive; }
};

struct Library {
    TempDir dir;
    ImportFolders folders{dir / "Books", dir / "Tmp"};
    std::filesystem::path source = dir / "src";

    Library() { std::filesystem::create_directories(source); }
    std::vector<std::string> Books() const { return test::FileNames(folders.books); }
    std::vector<std::string> Tmp() const { return test::FileNames(folders.tmp); }
    // The book's text items: words as they stand, spaces "<n>", line ends "|".
    std::string BookText(const std::string& name) const {
        test::OpenedBook book(folders.books / name);
        EXPECT_EQ(book.Check().kind, VerdictKind::Ok) << name;
        return book.Items(book.paragraphs.front(), book.paragraphs.back());
    }
    // A poem in code page 1251, a page of HTML and a FictionBook document in src/.
    void WriteDocuments() {
        test::WriteBytes(source / "poem.txt", test::EncodeInCodePage(kPoem, 1251));
        test::WriteText(source / "page.html",
                        "<html><title>Page</title><body><p>Hypertext&nbsp;words</p></body></html>");
        test::WriteText(
            source / "book.fb2",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\"><description><title-info>"
            "<author><first-name>Anna</first-name><last-name>Fiction</last-name></author>"
            "<book-title>Structured</book-title></title-info></description>"
            "<body><section><p>Sectioned prose.</p></section></body></FictionBook>\n");
        test::WriteText(source / "picture.jpg", "\xFF\xD8\xFF\xE0 not a text");
    }
};

bool Contains(const std::string& text, const std::string& word) {
    return text.find(word) != std::string::npos;
}

TEST(ArchiveImport, MembersAreListedTickedByKindAndImportedEachAsItsOwnKind) {
    REQUIRE_TOOL("zip");
    Library library;
    library.WriteDocuments();
    test::WriteFileText(library.source / "chapters" / "two.txt", "Second chapter\n");
    ASSERT_TRUE(test::RunIn(library.source,
                            "zip -r -q ../mixed.zip poem.txt page.html book.fb2 picture.jpg chapters"));
    ScriptedImport answers;
    answers.choose = [](const MemberQuestion& question) {
        for (ListedMember& listed : question.members)
            if (listed.member.name == "chapters/two.txt") listed.selected = false;
        return MemberChoice::Ok;
    };
    ImportPipeline pipeline(library.folders, answers, {1251});
    pipeline.BeginBatch();
    ASSERT_EQ(pipeline.ImportFile(library.dir / "mixed.zip"), kImported);

    // No directory entry is offered; the picture is listed but not ticked.
    ASSERT_EQ(answers.memberLists.size(), 1u);
    EXPECT_EQ(answers.memberLists[0],
              (std::vector<std::pair<std::string, bool>>{{"poem.txt", true},
                                                         {"page.html", true},
                                                         {"book.fb2", true},
                                                         {"picture.jpg", false},
                                                         {"chapters/two.txt", true}}));
    // Text and HTML pass the encoding dialog under their own names; the FictionBook document
    // is read by its structure and named after its author and title.
    EXPECT_EQ(answers.encodingAsks, (std::vector<std::string>{"poem.txt", "page.html"}));
    const std::vector<std::string> books = library.Books();
    ASSERT_EQ(books.size(), 3u) << testing::PrintToString(books);
    EXPECT_TRUE(Contains(library.BookText("poem_txt.book"), "честных"));
    EXPECT_TRUE(Contains(library.BookText("page_html.book"), "Hypertext"));
    EXPECT_FALSE(Contains(library.BookText("page_html.book"), "&nbsp;"));
    EXPECT_EQ(std::count_if(books.begin(), books.end(),
                            [](const std::string& b) { return Contains(b, "Fiction"); }),
              1);
    EXPECT_TRUE(answers.failures.empty());
    EXPECT_TRUE(library.Tmp().empty());
    EXPECT_EQ(pipeline.LastCodePage(), 1251);
}

// One text archived by each real archiver, imported through the same flow.
TEST(ArchiveImport, EveryArchiverMakesABook) {
    struct Case {
        const char* tool;
        const char* archive;
        const char* command;  // run in the folder of poem.txt
    };
    const Case cases[] = {
        {"zip", "poem.zip", "zip -q -9 ../poem.zip poem.txt"},
        {"arj", "poem.arj", "arj a -m1 -y ../poem.arj poem.txt"},
        {"jlha", "poem.lzh", "jlha a0 ../poem.lzh poem.txt"},
        {"rar", "poem.rar", "rar a -idq ../poem.rar poem.txt"},
        {"7z", "poem.7z", "7z a -bd ../poem.7z poem.txt"},
        {"tar", "poem.tar.gz", "tar czf ../poem.tar.gz poem.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        if (!test::HaveTool(c.tool)) {
            std::cout << c.tool << " is not installed; " << c.archive << " not tried\n";
            continue;
        }
        Library library;
        library.WriteDocuments();
        ASSERT_TRUE(test::RunIn(library.source, c.command));
        ScriptedImport answers;
        ImportPipeline pipeline(library.folders, answers, {1251});
        pipeline.BeginBatch();
        ASSERT_EQ(pipeline.ImportFile(library.dir / c.archive), kImported);
        EXPECT_EQ(library.Books(), std::vector<std::string>{"poem_txt.book"});
        EXPECT_TRUE(Contains(library.BookText("poem_txt.book"), "занемог,"));
        EXPECT_TRUE(library.Tmp().empty());
        EXPECT_TRUE(answers.failures.empty());
    }
}

TEST(ArchiveImport, AbortInTheListOrInTheEncodingDialogKeepsOnlyFinishedBooks) {
    REQUIRE_TOOL("zip");
    Library library;
    library.WriteDocuments();
    ASSERT_TRUE(test::RunIn(library.source, "zip -q ../two.zip poem.txt page.html"));
    test::WriteFileText(library.folders.books / "kept.book", "an earlier book");

    ScriptedImport answers;
    answers.choose = [](const MemberQuestion&) { return MemberChoice::Abort; };
    ImportPipeline pipeline(library.folders, answers, {1251});
    pipeline.BeginBatch();
    EXPECT_EQ(pipeline.ImportFile(library.dir / "two.zip"), kAbortBatch);
    EXPECT_EQ(library.Books(), std::vector<std::string>{"kept.book"});
    EXPECT_TRUE(library.Tmp().empty());

    // "Do Not Import" skips the archive; unticking every member imports nothing.
    answers.choose = [](const MemberQuestion&) { return MemberChoice::DoNotImport; };
    EXPECT_EQ(pipeline.ImportFile(library.dir / "two.zip"), kSkipped);
    answers.choose = [](const MemberQuestion& question) {
        for (ListedMember& listed : question.members) listed.selected = false;
        return MemberChoice::Ok;
    };
    EXPECT_EQ(pipeline.ImportFile(library.dir / "two.zip"), kSkipped);
    EXPECT_EQ(library.Books(), std::vector<std::string>{"kept.book"});
    EXPECT_TRUE(answers.encodingAsks.empty());

    // Abort at the second member: the first member's book stays, nothing is left in Tmp/.
    answers.choose = nullptr;
    answers.encodingScript = {EncodingChoice::Import, EncodingChoice::Abort};
    EXPECT_EQ(pipeline.ImportFile(library.dir / "two.zip"), kAbortBatch);
    EXPECT_EQ(library.Books(), (std::vector<std::string>{"kept.book", "poem_txt.book"}));
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ArchiveImport, ImportAllImportsTheRestOfTheBatchWithoutTheList) {
    REQUIRE_TOOL("zip");
    Library library;
    library.WriteDocuments();
    ASSERT_TRUE(test::RunIn(library.source, "zip -q ../one.zip poem.txt && zip -q ../two.zip page.html"));
    ScriptedImport answers;
    answers.choose = [](const MemberQuestion&) { return MemberChoice::ImportAll; };
    ImportPipeline pipeline(library.folders, answers, {1251});
    pipeline.BeginBatch();
    EXPECT_EQ(pipeline.ImportFile(library.dir / "one.zip"), kImported);
    EXPECT_FALSE(pipeline.showMemberList);
    EXPECT_EQ(pipeline.ImportFile(library.dir / "two.zip"), kImported);
    EXPECT_EQ(answers.memberLists.size(), 1u);
    EXPECT_EQ(library.Books(), (std::vector<std::string>{"page_html.book", "poem_txt.book"}));
    pipeline.BeginBatch();
    EXPECT_TRUE(pipeline.showMemberList);
}

TEST(ArchiveImport, PasswordsRightWrongAndCancelled) {
    REQUIRE_TOOL("rar");
    Library library;
    library.WriteDocuments();
    ASSERT_TRUE(test::RunIn(library.source, "rar a -idq -psecret ../locked.rar poem.txt"));
    struct Case {
        const char* name;
        std::optional<std::string> password;
        bool imported;
    };
    const Case cases[] = {
        {"right", "secret", true},
        {"wrong", "guess", false},
        {"cancelled", std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(library.folders.books);
        ScriptedImport answers;
        answers.archive.alwaysPassword = c.password;
        ImportPipeline pipeline(library.folders, answers, {1251});
        pipeline.BeginBatch();
        EXPECT_EQ(pipeline.ImportFile(library.dir / "locked.rar"), c.imported ? kImported : kSkipped);
        ASSERT_FALSE(answers.archive.passwordAsks.empty());
        EXPECT_EQ(answers.archive.passwordAsks[0],
                  (std::pair<std::string, std::string>{"locked.rar", "poem.txt"}));
        EXPECT_EQ(library.Books().size(), c.imported ? 1u : 0u);
        EXPECT_TRUE(library.Tmp().empty());
        if (c.imported) {
            EXPECT_TRUE(answers.failures.empty());
            continue;
        }
        ASSERT_EQ(answers.failures.size(), 1u);
        const ImportFailure& failure = answers.failures[0];
        EXPECT_EQ(failure.kind, ImportFailure::Kind::MemberNotExtracted);
        EXPECT_EQ(failure.member, "poem.txt");
        EXPECT_EQ(failure.reason, VerdictKind::Encrypted);
        EXPECT_EQ(failure.passwordCancelled, !c.password.has_value());
    }
}

TEST(ArchiveImport, AMultiVolumeRarIsReadAcrossItsVolumesAndAsksForAMissingOne) {
    REQUIRE_TOOL("rar");
    Library library;
    test::WriteFileText(library.source / "long.txt", test::NumberedText(60000));
    ASSERT_TRUE(test::RunIn(library.source, "rar a -idq -m0 -v20k ../set.rar long.txt"));
    ASSERT_TRUE(std::filesystem::exists(library.dir / "set.part3.rar"));
    {
        ScriptedImport answers;
        ImportPipeline pipeline(library.folders, answers);
        ASSERT_EQ(pipeline.ImportFile(library.dir / "set.part1.rar"), kImported);
        EXPECT_EQ(answers.memberLists.at(0).size(), 1u) << "listed once, not once per volume";
        EXPECT_TRUE(answers.archive.volumeAsks.empty());
        EXPECT_TRUE(Contains(library.BookText("long_txt.book"), "Line"));
    }
    // Without its last volume the member asks for it; Cancel leaves no book and nothing in Tmp/.
    std::filesystem::remove_all(library.folders.books);
    std::filesystem::remove(library.dir / "set.part3.rar");
    ScriptedImport answers;
    ImportPipeline pipeline(library.folders, answers);
    EXPECT_EQ(pipeline.ImportFile(library.dir / "set.part1.rar"), kSkipped);
    ASSERT_FALSE(answers.archive.volumeAsks.empty());
    EXPECT_EQ(answers.archive.volumeAsks[0].filename(), "set.part3.rar");
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_EQ(answers.failures[0].kind, ImportFailure::Kind::MemberNotExtracted);
    EXPECT_TRUE(answers.failures[0].volumeCancelled);
    EXPECT_TRUE(library.Books().empty());
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ArchiveImport, DamagedMemberIsReportedOnceAndLeavesNothing) {
    REQUIRE_TOOL("zip");
    Library library;
    test::WriteText(library.source / "plain.txt", "The stored words of a plain text.\n");
    ASSERT_TRUE(test::RunIn(library.source, "zip -q -0 ../damaged.zip plain.txt"));
    ASSERT_TRUE(test::FlipByteAfter(library.dir / "damaged.zip", "The stored words", 5));
    ScriptedImport answers;
    ImportPipeline pipeline(library.folders, answers);
    EXPECT_EQ(pipeline.ImportFile(library.dir / "damaged.zip"), kSkipped);
    EXPECT_EQ(answers.archive.errors,
              (std::vector<std::pair<std::string, std::string>>{{"plain.txt", "File CRC error"}}));
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_TRUE(answers.failures[0].reportedByArchive);
    EXPECT_TRUE(library.Books().empty());
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ArchiveImport, AMemberNamedUpwardsLandsInTmpOnly) {
    REQUIRE_TOOL("zip");
    Library library;
    test::WriteFileText(library.source / "zz" / "x.txt", "Climbing out\n");
    ASSERT_TRUE(test::RunIn(library.source, "zip -q ../climb.zip zz/x.txt"));
    // The same length, so the headers stay sound: the stored name becomes "../x.txt".
    std::string bytes = test::FileText(library.dir / "climb.zip");
    for (size_t at = bytes.find("zz/x.txt"); at != std::string::npos; at = bytes.find("zz/x.txt", at))
        bytes.replace(at, 2, "..");
    test::WriteFileText(library.dir / "climb.zip", bytes);
    std::filesystem::create_directories(library.folders.tmp);

    ScriptedImport answers;
    ImportPipeline pipeline(library.folders, answers);
    EXPECT_EQ(pipeline.ImportFile(library.dir / "climb.zip"), kImported);
    ASSERT_EQ(answers.memberLists.size(), 1u);
    EXPECT_EQ(answers.memberLists[0][0].first, "../x.txt");
    EXPECT_FALSE(std::filesystem::exists(library.dir / "x.txt"));
    EXPECT_EQ(library.Books(), std::vector<std::string>{"x_txt.book"});
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ArchiveImport, AnArchiveInsideAnArchiveIsNotOpened) {
    REQUIRE_TOOL("zip");
    Library library;
    library.WriteDocuments();
    ASSERT_TRUE(test::RunIn(library.source, "zip -q inner.zip poem.txt && zip -q ../outer.zip inner.zip"));
    ScriptedImport answers;
    answers.choose = [](const MemberQuestion& question) {
        question.members[0].selected = true;
        return MemberChoice::Ok;
    };
    ImportPipeline pipeline(library.folders, answers);
    EXPECT_EQ(pipeline.ImportFile(library.dir / "outer.zip"), kSkipped);
    EXPECT_FALSE(answers.memberLists.at(0).at(0).second);  // listed unticked
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_TRUE(library.Books().empty());
    EXPECT_TRUE(library.Tmp().empty());
}

// The command-line tool answers the member list "Import All" and passwords from --password.
TEST(ArchiveImport, ConvertToolTakesThePasswordAndReportsAWrongOne) {
    REQUIRE_TOOL("rar");
    Library library;
    library.WriteDocuments();
    ASSERT_TRUE(
        test::RunIn(library.source, "rar a -idq -psecret ../locked.rar poem.txt picture.jpg page.html"));
    const std::string tool = std::string(CORVALIN_TOOLS_DIR) + "/corvalin-convert";
    const auto convert = [&](const std::string& password) {
        return test::Run(tool + " --codepage 1251 --books '" + library.folders.books.string() +
                         "' --password " + password + " '" + (library.dir / "locked.rar").string() + "' >'" +
                         (library.dir / "out").string() + "' 2>'" + (library.dir / "err").string() + "'");
    };
    EXPECT_EQ(convert("secret"), 0) << test::FileText(library.dir / "err");
    // One book per document member, in archive order; the picture is not a document.
    EXPECT_EQ(test::FileText(library.dir / "out"), (library.folders.books / "poem_txt.book").string() + "\n" +
                                                       (library.folders.books / "page_html.book").string() +
                                                       "\n");
    EXPECT_TRUE(Contains(library.BookText("poem_txt.book"), "честных"));

    std::filesystem::remove_all(library.folders.books);
    EXPECT_NE(convert("guess"), 0);
    EXPECT_EQ(test::FileText(library.dir / "out"), "");
    const std::string errors = test::FileText(library.dir / "err");
    EXPECT_TRUE(Contains(errors, "poem.txt: wrong password")) << errors;
    EXPECT_TRUE(Contains(errors, "page.html: wrong password")) << errors;
    EXPECT_TRUE(library.Books().empty());
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(ImportedByDefault, DocumentsAndNamesWithoutExtension) {
    struct Case {
        const char* name;
        bool ticked;
    };
    const Case cases[] = {
        {"a.txt", true},  {"dir/B.HTML", true},   {"x\\y.Doc", true}, {"book.fb2.zip", true},
        {"README", true}, {"dir.d/README", true}, {"a.jpg", false},   {"a.exe", false},
        {"a.zip", false}, {"dir/", false},        {".txt", true},
    };
    for (const Case& c : cases) EXPECT_EQ(ImportedByDefault(c.name), c.ticked) << c.name;
}

// Word documents from several versions of Word (third-party files), through catdoc.
TEST(WordDocument, CatdocTurnsWordDocumentsIntoBooksAndRefusesAProtectedOne) {
    const std::filesystem::path fixtures = test::SharedFixtures("doc");
    if (fixtures.empty()) GTEST_SKIP() << "../shared/fixtures/doc is missing";
    REQUIRE_TOOL("catdoc");
    Library library;
    struct Case {
        const char* file;
        const char* words;  // on the book's first page
    };
    const Case cases[] = {
        {"Word95.doc", "BOLD"},
        {"Word6.doc", "lazy"},
        {"simple.doc", "Word"},
    };
    ScriptedImport answers;
    ImportPipeline pipeline(library.folders, answers);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_EQ(pipeline.ImportFile(fixtures / c.file), kImported);
        EXPECT_EQ(pipeline.LastBook()->kind, DocumentKind::Word);
        EXPECT_TRUE(Contains(library.BookText(pipeline.LastBook()->book.filename().string()), c.words));
    }
    // The dialog reads the prepared text two bytes at a time and hides the page list.
    EXPECT_EQ(answers.encodingAsks.size(), 3u);

    EXPECT_EQ(pipeline.ImportFile(fixtures / "PasswordProtected.doc"), kSkipped);
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_EQ(answers.failures[0].kind, ImportFailure::Kind::WordCannotOpen);
    EXPECT_EQ(library.Books().size(), 3u);
    pipeline.ReleaseWordProcessor();
    EXPECT_TRUE(library.Tmp().empty());
}

TEST(WordDocument, AWordDocumentInsideAZipAndWithoutAWordProcessor) {
    const std::filesystem::path fixtures = test::SharedFixtures("doc");
    if (fixtures.empty()) GTEST_SKIP() << "../shared/fixtures/doc is missing";
    REQUIRE_TOOL("catdoc");
    REQUIRE_TOOL("zip");
    Library library;
    std::filesystem::copy_file(fixtures / "Word95.doc", library.source / "Word95.doc");
    ASSERT_TRUE(test::RunIn(library.source, "zip -q ../word.zip Word95.doc"));
    ScriptedImport answers;
    {
        ImportPipeline pipeline(library.folders, answers);
        ASSERT_EQ(pipeline.ImportFile(library.dir / "word.zip"), kImported);
        EXPECT_TRUE(Contains(library.BookText("Word95_doc.book"), "Paragraph"));
    }
    EXPECT_TRUE(library.Tmp().empty());

    VEMDocConverter none(library.folders.tmp, FoundWordProcessor{});
    const Verdict verdict = none.ConvertWordDocument(fixtures / "Word95.doc", library.dir / "out.txt");
    EXPECT_EQ(verdict.kind, VerdictKind::Unsupported);
    EXPECT_FALSE(std::filesystem::exists(library.dir / "out.txt"));
}

TEST(WordDocument, AProcessorThatHangsIsKilledAtItsTimeout) {
    Library library;
    test::WriteText(library.dir / "a.doc", "x");
    // A stand-in that never ends: the converter must give up on it and leave no file.
    test::WriteText(library.dir / "hang.sh", "#!/bin/sh\nexec sleep 60\n");
    std::filesystem::permissions(library.dir / "hang.sh", std::filesystem::perms::owner_all);
    VEMDocConverter converter(library.folders.tmp, {WordProcessor::Catdoc, library.dir / "hang.sh"});
    converter.timeout = std::chrono::milliseconds(300);
    const auto start = std::chrono::steady_clock::now();
    const Verdict verdict = converter.ConvertWordDocument(library.dir / "a.doc", library.dir / "out.txt");
    EXPECT_FALSE(verdict.Ok());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
    EXPECT_FALSE(std::filesystem::exists(library.dir / "out.txt"));
    converter.ReleaseWordProcessor();
    EXPECT_TRUE(library.Tmp().empty());
}

}  // namespace
}  // namespace corvalin
