// FictionBook documents in their declared encodings, plain and zipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/Utf.h"
#include "import/CodepageTexts.h"
#include "import/FictionBookReader.h"
#include "import/ImportFile.h"
#include "import/StructuredImport.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

std::string FictionBook(const std::string& encoding) {
    return R"(<?xml version="1.0" encoding=")" + encoding + R"("?>
<FictionBook xmlns="http://www.gribuser.ru/xml/fictionbook/2.0" xmlns:l="http://www.w3.org/1999/xlink">
<description><title-info><genre>prose</genre>
<author><first-name>Иван</first-name><middle-name>Сергеевич</middle-name><last-name>Тургенев</last-name></author>
<book-title>Записки охотника</book-title><lang>ru</lang></title-info></description>
<body name="notes"><section id="n1"><title><p>1</p></title><p>Примечание к тексту.</p></section></body>
<body><title><p>Записки охотника</p></title>
<epigraph><p>Эпиграф книги.</p><text-author>Автор</text-author></epigraph>
<section><title><p>Хорь и Калиныч</p></title>
<p>Кому случалось из Болховского уезда<a l:href="#n1" type="note">1</a> перейти в Жиздринский…</p>
<empty-line/><image l:href="#pic"/>
<subtitle>* * *</subtitle>
<poem><stanza><v>Первый стих,</v><v>второй стих.</v></stanza><stanza><v>Третий стих.</v></stanza></poem>
<cite><p>Цитата.</p></cite>
<section><title><p>Часть вторая</p></title><p>Конец.</p></section>
</section></body>
<binary id="pic" content-type="image/png">iVBORw0KGgo=</binary>
</FictionBook>
)";
}

const std::vector<std::string> kLines = {
    "Записки охотника",
    "Эпиграф книги.",
    "Автор",
    "Хорь и Калиныч",
    "Кому случалось из Болховского уезда1 перейти в Жиздринский…",
    "",
    "* * *",
    "Первый стих,",
    "второй стих.",
    "",
    "Третий стих.",
    "Цитата.",
    "Часть вторая",
    "Конец.",
    "",
    "1",
    "Примечание к тексту.",
};

std::vector<std::string> Lines(const std::u16string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find(u'\n', at)) != std::u16string::npos; at = end + 1)
        lines.push_back(Utf16ToUtf8(text.substr(at, end - at)));
    return lines;
}

// The same book in three encodings reads alike: text, chapters, author, title.
TEST(FictionBook, DeclaredEncodingsBodiesSectionsAndPoems) {
    for (const auto& [encoding, codePage] : std::vector<std::pair<std::string, int32_t>>{
             {"utf-8", 65001}, {"windows-1251", 1251}, {"KOI8-R", 20866}}) {
        SCOPED_TRACE(encoding);
        const std::string utf8 = FictionBook(encoding);
        const std::vector<uint8_t> bytes =
            codePage == 65001 ? std::vector<uint8_t>(utf8.begin(), utf8.end())
                              : test::EncodeInCodePage(test::CommonRepertoire(utf8, {1251, 20866}), codePage);
        StructuredDocument document;
        ASSERT_EQ(ReadFictionBook(bytes, document), VerdictKind::Ok);
        std::vector<std::string> expected = kLines;
        if (codePage != 65001) expected[4] = test::CommonRepertoire(expected[4], {1251, 20866});
        EXPECT_EQ(Lines(document.text), expected);
        EXPECT_EQ(document.author, u"Иван Сергеевич Тургенев");
        EXPECT_EQ(document.title, u"Записки охотника");
        // The body's title and the main sections' titles; the note's number is no chapter.
        std::vector<std::string> chapters;
        for (const ChapterStart& chapter : document.chapters) {
            const size_t end = document.text.find(u'\n', chapter.unitPosition);
            chapters.push_back(
                Utf16ToUtf8(document.text.substr(chapter.unitPosition, end - chapter.unitPosition)));
        }
        EXPECT_EQ(chapters, (std::vector<std::string>{"Записки охотника", "Хорь и Калиныч", "Часть вторая"}));
    }
}

TEST(FictionBook, PlainAndZippedFilesImportAlike) {
    if (std::system("command -v zip >/dev/null 2>&1") != 0) GTEST_SKIP() << "zip missing";
    TempDir dir;
    test::WriteBytes(dir / "hunter.fb2", test::EncodeInCodePage(FictionBook("windows-1251"), 1251));
    ASSERT_EQ(
        std::system(("cd '" + dir.path().string() + "' && zip -q -9 hunter.fb2.zip hunter.fb2").c_str()), 0);
    EXPECT_EQ(StructuredKindOf(dir / "hunter.fb2"), StructuredKind::FictionBook);
    EXPECT_EQ(StructuredKindOf(dir / "hunter.fb2.zip"), StructuredKind::FictionBook);
    StructuredDocument plain, zipped;
    ASSERT_EQ(ReadFictionBookFile(dir / "hunter.fb2", plain), VerdictKind::Ok);
    ASSERT_EQ(ReadFictionBookFile(dir / "hunter.fb2.zip", zipped), VerdictKind::Ok);
    EXPECT_EQ(plain.text, zipped.text);
    const auto first = ImportFile(dir / "hunter.fb2", dir / "Books", {});
    const auto second = ImportFile(dir / "hunter.fb2.zip", dir / "Books", {});
    EXPECT_EQ(first.filename(), "Иван Сергеевич Тургенев - Записки охотника.book");
    EXPECT_EQ(second.filename(), "Иван Сергеевич Тургенев - Записки охотника - 01.book");
}

TEST(FictionBook, DamagedDocumentsGiveVerdicts) {
    struct Case {
        const char* name;
        std::string xml;
        VerdictKind kind;
    };
    const std::string good = FictionBook("utf-8");
    for (const Case& c :
         {Case{"truncated", good.substr(0, good.size() / 2), VerdictKind::Damaged},
          Case{"other-root", "<?xml version='1.0'?><html><body/></html>", VerdictKind::NotThisFormat},
          Case{"unknown-encoding", "<?xml version='1.0' encoding='x-none'?><FictionBook/>",
               VerdictKind::Unsupported}}) {
        StructuredDocument document;
        const Verdict verdict = ReadFictionBook(
            std::span(reinterpret_cast<const uint8_t*>(c.xml.data()), c.xml.size()), document);
        EXPECT_EQ(verdict, c.kind) << c.name << ": " << verdict;
        EXPECT_EQ(verdict.message.rfind("FictionBook: ", 0), 0u) << verdict;
    }
    // Entities a document declares are never expanded: the reference stays as written.
    const std::string entities =
        "<!DOCTYPE f [<!ENTITY a 'aaaaaaaaaa'><!ENTITY b "
        "'&a;&a;&a;&a;'>]><FictionBook><body><p>&b;&b;</p></body>"
        "</FictionBook>";
    StructuredDocument document;
    ASSERT_EQ(ReadFictionBook(std::span(reinterpret_cast<const uint8_t*>(entities.data()), entities.size()),
                              document),
              VerdictKind::Ok);
    EXPECT_EQ(document.text, u"&b;&b;\n");
}

}  // namespace
}  // namespace corvalin
