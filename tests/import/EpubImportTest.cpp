// EPUB and FictionBook books: made by pandoc and zip at test time, written by hand where a
// fault needs a particular package, and real books from Debian packages.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "base/Utf.h"
#include "books/BookFile.h"
#include "books/BookFormat.h"
#include "import/CodepageTexts.h"
#include "import/EpubPackage.h"
#include "import/EpubReader.h"
#include "import/FictionBookReader.h"
#include "import/ImportFile.h"
#include "import/ImportPipeline.h"
#include "import/StructuredImport.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

bool HaveTools() {
    return Shell("command -v pandoc") && Shell("command -v zip") && Shell("command -v convert");
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// The lines of a document's text, as UTF-8.
std::vector<std::string> Lines(const StructuredDocument& document) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : Utf16ToUtf8(document.text)) {
        if (c != '\n') {
            line.push_back(c);
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    return lines;
}

// Where each of `wanted` stands among `lines` (the first at or after the one before); -1 once
// one is missing or out of order.
std::vector<int> Positions(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    std::vector<int> positions;
    size_t from = 0;
    for (const std::string& text : wanted) {
        size_t at = from;
        while (at < lines.size() && lines[at] != text) ++at;
        if (at == lines.size()) return {-1};
        positions.push_back(int(at));
        from = at + 1;
    }
    return positions;
}

// A book's paragraphs as text (words with single spaces) and its heading index.
struct BookContents {
    std::vector<std::string> paragraphs;
    std::map<std::string, int32_t> headings;  // heading paragraph text -> words
    std::u16string author, title;
};

BookContents ReadBook(const std::filesystem::path& path) {
    BookContents contents;
    test::OpenedBook book(path);
    EXPECT_EQ(book.Check(), VerdictKind::Ok);
    for (size_t i = 0; i + 1 < book.paragraphs.size(); ++i) {
        std::string items = std::regex_replace(book.Paragraph(i), std::regex("<[0-9]+>|[|]|\\\\t|\\s+"), " ");
        items = std::regex_replace(items, std::regex(" +"), " ");
        contents.paragraphs.push_back(std::regex_replace(items, std::regex("^ | $"), ""));
    }
    VEMOpt store;
    EXPECT_TRUE(LoadBookStore(book.file, book.header.storeOffset, store).Ok());
    contents.author = store.GetWideString(kTagAuthor, u"");
    contents.title = store.GetWideString(kTagTitle, u"");
    if (VEMOpt* headings = store.Find(kTagHeadings))
        for (VEMOpt* child = headings->First(); child; child = headings->Next(child))
            contents.headings[contents.paragraphs.at(child->Key())] = headings->GetInt(child->Key(), -1);
    return contents;
}

constexpr const char* kMarkdown = R"(---
title: The Quiet Harbour
author: Mira Kolb
lang: en
---

# First Chapter

The boats came in at dawn.[^1] Nobody spoke on the quay.

| Fish | Count |
|------|-------|
| herring | twelve |

![](boat.png)

# Second Chapter

Evening fell over the harbour and the lamps were lit.

## A Smaller Part

The last words of the book.

[^1]: A footnote about dawn.
)";

// Books pandoc writes from one text: every kind keeps the text in order, the footnote, the
// table, the chapters as the heading index and the author and title in the book's records.
TEST(StructuredImport, PandocBooksKeepTextChaptersAuthorAndTitle) {
    if (!HaveTools()) GTEST_SKIP() << "pandoc, zip or convert missing";
    TempDir dir;
    test::WriteText(dir / "book.md", kMarkdown);
    ASSERT_TRUE(Shell("cd " + Quoted(dir.path()) + " && convert -size 4x4 xc:blue boat.png"));
    for (const char* target : {"epub2", "epub3", "fb2"}) {
        SCOPED_TRACE(target);
        const std::string name = std::string("book.") + (std::string(target) == "fb2" ? "fb2" : "epub");
        ASSERT_TRUE(Shell("cd " + Quoted(dir.path()) + " && pandoc book.md -t " + target + " -o " + name));
        const auto books = dir / ("Books-" + std::string(target));
        const std::filesystem::path bookPath = ImportFile(dir / name, books, {});
        EXPECT_EQ(bookPath.filename(), "Mira Kolb - The Quiet Harbour.book");
        const BookContents book = ReadBook(bookPath);
        EXPECT_EQ(book.author, u"Mira Kolb");
        EXPECT_EQ(book.title, u"The Quiet Harbour");
        EXPECT_NE(Positions(book.paragraphs, {"First Chapter", "herring", "twelve", "Second Chapter",
                                              "Evening fell over the harbour and the lamps were lit.",
                                              "A Smaller Part", "The last words of the book."}),
                  std::vector<int>{-1});
        bool footnote = false;
        for (const std::string& paragraph : book.paragraphs) {
            footnote |= paragraph.find("A footnote about dawn.") != std::string::npos;
            EXPECT_EQ(paragraph.find("boat.png"), std::string::npos);
        }
        EXPECT_TRUE(footnote);
        for (const char* heading : {"First Chapter", "Second Chapter", "A Smaller Part"})
            EXPECT_TRUE(book.headings.contains(heading)) << heading;
        EXPECT_EQ(book.headings.at("A Smaller Part"), 3);
        EXPECT_FALSE(book.headings.contains("The last words of the book."));
    }
}

// A hand-made EPUB: the files under its folder, zipped with the stored mimetype first.
struct EpubParts {
    std::string opf;
    std::map<std::string, std::string> pages;  // member name under OEBPS/ -> content
    std::string encryption;                    // META-INF/encryption.xml, when not empty
};

constexpr const char* kContainer = R"(<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>)";

std::string Page(const std::string& body) {
    return R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml"><head><title>Page title</title>
<style>p { color: red }</style></head><body>)" +
           body + "</body></html>";
}

std::string Package(const std::string& manifest, const std::string& spine) {
    return R"(<?xml version="1.0"?>
<package xmlns="http://www.idpf.org/2007/opf" version="3.0" unique-identifier="id">
<metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
<dc:title>Hand Made</dc:title><dc:creator id="a">Ann Smith</dc:creator>
<dc:creator id="e">Ed Itor</dc:creator><meta refines="#e" property="role">edt</meta>
</metadata><manifest>)" +
           manifest + "</manifest><spine>" + spine + "</spine></package>";
}

std::filesystem::path MakeEpub(const TempDir& dir, const std::string& name, const EpubParts& parts) {
    const auto root = dir / (name + ".d");
    std::filesystem::create_directories(root / "META-INF");
    std::filesystem::create_directories(root / "OEBPS");
    test::WriteText(root / "mimetype", "application/epub+zip");
    test::WriteText(root / "META-INF/container.xml", kContainer);
    if (!parts.encryption.empty()) test::WriteText(root / "META-INF/encryption.xml", parts.encryption);
    test::WriteText(root / "OEBPS/content.opf", parts.opf);
    for (const auto& [member, content] : parts.pages) {
        std::filesystem::create_directories((root / "OEBPS" / member).parent_path());
        test::WriteText(root / "OEBPS" / member, content);
    }
    const auto epub = dir / name;
    EXPECT_TRUE(Shell("cd " + Quoted(root) + " && zip -X -0 -q " + Quoted(epub) +
                      " mimetype && zip -X -r -q " + Quoted(epub) + " META-INF OEBPS"));
    return epub;
}

constexpr const char* kThreePages = R"(<item id="one" href="one.xhtml" media-type="application/xhtml+xml"/>
<item id="two" href="Text/two%20b.xhtml" media-type="application/xhtml+xml"/>
<item id="aside" href="aside.xhtml" media-type="application/xhtml+xml"/>
<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>)";

EpubParts ThreePages(const std::string& spine) {
    EpubParts parts;
    parts.opf = Package(kThreePages, spine);
    parts.pages["one.xhtml"] = Page(
        "<h1>Chapter One</h1><p>First  page\n text &amp; more&#x21;</p><script>var x = 1;</script>"
        "<table><tr><td>cell a</td><td>cell b</td></tr></table><p><img src='x.png' alt='picture'/>after</p>");
    parts.pages["Text/two b.xhtml"] = Page(
        "<h2 id='t'>Chapter Two</h2><p>Second page.</p><pre>  kept\n  as is</pre>"
        "<p>After the code.</p>");
    parts.pages["aside.xhtml"] = Page("<p>An aside.</p>");
    parts.pages["nav.xhtml"] = Page(R"(<nav xmlns:epub="http://www.idpf.org/2007/ops" epub:type="toc"><ol>
<li><a href="one.xhtml">One</a></li><li><a href="Text/two%20b.xhtml#t">Two</a></li></ol></nav>)");
    return parts;
}

TEST(Epub, ReadsTheSpineInOrderWithNonLinearItemsLast) {
    if (!HaveTools()) GTEST_SKIP() << "zip missing";
    TempDir dir;
    const auto epub = MakeEpub(
        dir, "order.epub",
        ThreePages(R"(<itemref idref="aside" linear="no"/><itemref idref="two"/><itemref idref="one"/>)"));
    StructuredDocument document;
    ASSERT_EQ(ReadEpub(epub, document), VerdictKind::Ok);
    EXPECT_EQ(Lines(document),
              (std::vector<std::string>{"Chapter Two", "Second page.", "  kept", "  as is", "After the code.",
                                        "Chapter One", "First page text & more!", "cell a", "cell b", "after",
                                        "An aside."}));
    EXPECT_EQ(document.author, u"Ann Smith");
    EXPECT_EQ(document.title, u"Hand Made");
    // The navigation document's two entries, at the lines of their headings.
    ASSERT_EQ(document.chapters.size(), 2u);
    EXPECT_EQ(document.chapters[0].unitPosition, 0u);
    EXPECT_EQ(document.text.substr(document.chapters[1].unitPosition, 11), u"Chapter One");
}

TEST(Epub, TheKindIsFoundByContentsWhateverTheName) {
    if (!HaveTools()) GTEST_SKIP() << "zip missing";
    TempDir dir;
    const auto epub = MakeEpub(dir, "book.dat", ThreePages(R"(<itemref idref="one"/>)"));
    EXPECT_EQ(StructuredKindOf(epub), StructuredKind::Epub);
    // The mimetype member compressed and not first is still found.
    ASSERT_TRUE(
        Shell("cd " + Quoted(dir / "book.dat.d") + " && zip -X -r -q ../late.zip META-INF OEBPS mimetype"));
    EXPECT_EQ(StructuredKindOf(dir / "late.zip"), StructuredKind::Epub);
    ASSERT_TRUE(Shell("cd " + Quoted(dir / "book.dat.d") + " && zip -X -r -q ../plain.zip META-INF OEBPS"));
    EXPECT_EQ(StructuredKindOf(dir / "plain.zip"), StructuredKind::None);
    const auto book = ImportFile(epub, dir / "Books", {});
    EXPECT_EQ(book.filename(), "Ann Smith - Hand Made.book");
}

struct BrokenEpub {
    const char* name;
    EpubParts parts;
    VerdictKind kind;
    const char* message;  // a part of the verdict's message
};

EpubParts WithoutPage(EpubParts parts, const std::string& page) {
    parts.pages.erase(page);
    return parts;
}

EpubParts Encrypted(EpubParts parts, const std::string& uri, const std::string& algorithm) {
    parts.encryption = R"(<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container"
 xmlns:enc="http://www.w3.org/2001/04/xmlenc#"><enc:EncryptedData><enc:EncryptionMethod Algorithm=")" +
                       algorithm + R"("/><enc:CipherData><enc:CipherReference URI=")" + uri +
                       R"("/></enc:CipherData></enc:EncryptedData></encryption>)";
    return parts;
}

TEST(Epub, DamagedOrProtectedBooksGiveVerdicts) {
    if (!HaveTools()) GTEST_SKIP() << "zip missing";
    const std::string spine = R"(<itemref idref="one"/><itemref idref="two"/>)";
    const std::vector<BrokenEpub> cases = {
        {"missing-page", WithoutPage(ThreePages(spine), "Text/two b.xhtml"), VerdictKind::Damaged,
         "Text/two b.xhtml is missing"},
        {"unknown-idref", ThreePages(R"(<itemref idref="three"/>)"), VerdictKind::Damaged, "\"three\""},
        {"truncated-package", {Package(kThreePages, "").substr(0, 400), {}, {}}, VerdictKind::Damaged, "XML"},
        {"encrypted-page",
         Encrypted(ThreePages(spine), "OEBPS/one.xhtml", "http://www.w3.org/2001/04/xmlenc#aes128-cbc"),
         VerdictKind::Encrypted, "copy-protected"},
    };
    TempDir dir;
    for (const BrokenEpub& c : cases) {
        SCOPED_TRACE(c.name);
        const auto epub = MakeEpub(dir, std::string(c.name) + ".epub", c.parts);
        StructuredDocument document;
        const Verdict verdict = ReadEpub(epub, document);
        EXPECT_EQ(verdict, c.kind) << verdict;
        EXPECT_NE(verdict.message.find(c.message), std::string::npos) << verdict;
        EXPECT_EQ(verdict.message.rfind("EPUB: ", 0), 0u) << verdict;
    }
    // An import of a protected book throws the error the pipeline shows, and leaves no book.
    EXPECT_THROW(ImportFile(dir / "encrypted-page.epub", dir / "Books", {}), CopyProtectedError);
    EXPECT_FALSE(std::filesystem::exists(dir / "Books") && !std::filesystem::is_empty(dir / "Books"));
    // Obfuscated fonts hide no text: such a book reads.
    const auto fonts =
        MakeEpub(dir, "fonts.epub",
                 Encrypted(ThreePages(spine), "OEBPS/font.otf", "http://www.idpf.org/2008/embedding"));
    StructuredDocument document;
    EXPECT_EQ(ReadEpub(fonts, document), VerdictKind::Ok);
}

// The reader's and the converter's import: no encoding question for a book that names its
// own encoding, the book named after its author and title, a refusal told and the batch going on.
class EpubAnswers : public ImportQuestions {
public:
    std::vector<std::string> asked;
    std::vector<std::string> failures;
    EncodingAnswer AskEncoding(const EncodingQuestion& question) override {
        asked.push_back(question.documentName);
        return {EncodingChoice::Import, question.preview.CodePage(), false};
    }
    void TellFailure(const ImportFailure& failure) override { failures.push_back(failure.detail); }
};

TEST(Epub, ThePipelineImportsItWithoutAskingAndGoesOnAfterARefusal) {
    if (!HaveTools()) GTEST_SKIP() << "zip missing";
    TempDir dir;
    const std::string spine = R"(<itemref idref="one"/><itemref idref="two"/>)";
    const auto book = MakeEpub(dir, "download.dat", ThreePages(spine));
    const auto locked = MakeEpub(
        dir, "locked.epub",
        Encrypted(ThreePages(spine), "OEBPS/one.xhtml", "http://www.w3.org/2001/04/xmlenc#aes128-cbc"));
    EpubAnswers answers;
    ImportPipeline pipeline({dir / "Books", dir / "Tmp"}, answers, ImportSettings{1252});
    pipeline.BeginBatch();
    EXPECT_EQ(pipeline.ImportFile(locked), kSkipped);
    ASSERT_EQ(pipeline.ImportFile(book), kImported);
    EXPECT_TRUE(answers.asked.empty());
    ASSERT_EQ(answers.failures.size(), 1u);
    EXPECT_NE(answers.failures[0].find("copy-protected"), std::string::npos) << answers.failures[0];
    EXPECT_EQ(pipeline.LastBook()->book.filename(), "Ann Smith - Hand Made.book");
    test::OpenedBook made(pipeline.LastBook()->book);
    EXPECT_NE(made.Items(made.header.textStart, made.header.textEnd).find("Second"), std::string::npos);
}

TEST(Epub, AMemberInflatingFarBeyondTheFileIsRefused) {
    if (!HaveTools()) GTEST_SKIP() << "zip missing";
    TempDir dir;
    EpubParts parts = ThreePages(R"(<itemref idref="one"/>)");
    // 64 MiB of one letter pack into a few hundred KiB.
    parts.pages["one.xhtml"] = Page("<p>" + std::string(size_t(64) << 20, 'a') + "</p>");
    const auto epub = MakeEpub(dir, "bomb.epub", parts);
    StructuredDocument document;
    const Verdict verdict = ReadEpub(epub, document);
    EXPECT_EQ(verdict, VerdictKind::Damaged) << verdict;
    EXPECT_EQ(verdict.field, "member size");
}

TEST(Epub, PackageReferencesResolveInsideTheBookOnly) {
    struct Case {
        const char* base;
        const char* href;
        const char* member;
        const char* fragment;
    };
    for (const Case& c :
         {Case{"OEBPS/content.opf", "Text/a%20b.xhtml#n1", "OEBPS/Text/a b.xhtml", "n1"},
          Case{"OEBPS/Text/nav.xhtml", "../Images/../c.xhtml", "OEBPS/c.xhtml", ""},
          Case{"OEBPS/c.xhtml", "#note", "OEBPS/c.xhtml", "note"},
          Case{"content.opf", "../outside.xhtml", "", ""}, Case{"content.opf", "/etc/passwd", "", ""},
          Case{"content.opf", "http://example.org/a.xhtml", "", ""}}) {
        std::string fragment;
        EXPECT_EQ(ResolveEpubHref(c.base, c.href, &fragment), c.member) << c.href;
        EXPECT_EQ(fragment, c.member[0] ? c.fragment : fragment) << c.href;
    }
}

// Real books nobody here wrote, from Debian packages: read to their last word, with author and
// title and a table of contents.
TEST(Epub, RealBooksFromDebianPackagesReadToTheEnd) {
    struct Book {
        const char* path;
        const char* title;
        const char* lastWords;  // the end of the book's last page
    };
    const std::vector<Book> books = {
        {"/usr/share/doc/live-manual/epub/live-manual.en.epub", "Live Systems Manual", "last generated:"},
        {"/usr/share/doc/live-manual/epub/live-manual.ja.epub", "Live システムマニュアル", "last generated:"},
        {"/usr/share/doc/ubuntu-packaging-guide-epub-ru/ubuntu-packaging-guide.epub",
         "Ubuntu Packaging Guide", "Created using Sphinx"},
    };
    size_t read = 0;
    for (const Book& book : books) {
        if (!std::filesystem::exists(book.path)) continue;
        SCOPED_TRACE(book.path);
        ++read;
        StructuredDocument document;
        ASSERT_EQ(ReadEpub(book.path, document), VerdictKind::Ok);
        EXPECT_EQ(Utf16ToUtf8(document.title), book.title);
        EXPECT_FALSE(document.author.empty());
        EXPECT_EQ(document.author.find(u'@'), std::u16string::npos);
        EXPECT_GT(document.chapters.size(), 20u);
        const std::vector<std::string> lines = Lines(document);
        ASSERT_FALSE(lines.empty());
        EXPECT_NE(lines.back().find(book.lastWords), std::string::npos) << lines.back();
        for (const std::string& line : lines) EXPECT_EQ(line.find("</p>"), std::string::npos) << line;
    }
    if (read == 0) GTEST_SKIP() << "install live-manual-epub and ubuntu-packaging-guide-epub-ru";
}

}  // namespace
}  // namespace corvalin
