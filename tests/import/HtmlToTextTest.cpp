#include <gtest/gtest.h>

#include "ConverterSupport.h"
#include "import/BuildBook.h"
#include "import/HtmlEntities.h"
#include "import/HtmlToText.h"
#include "import/UnicodeSources.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::UnitsSource;

struct Converted {
    std::u16string text;
    std::u16string title;
};

// Converts in steps of the converter's own size, reading the input `piece` units at a time.
Converted ConvertBySteps(const std::u16string& html, size_t piece) {
    auto input = UnitsSource(html, piece);
    HtmlToText converter(*input);
    Converted out;
    for (;;) {
        const size_t before = out.text.size();
        if (!converter.ConvertStep(out.text)) break;
        // A step appends something unless the document is used up.
        if (out.text.size() == before) {
            EXPECT_TRUE(converter.Finished());
        }
    }
    EXPECT_TRUE(converter.Finished());
    EXPECT_EQ(converter.SourcePosition(), html.size());
    out.title = converter.Title();
    return out;
}

// Converts through the text source the book builder reads, in large blocks.
Converted ConvertAsSource(const std::u16string& html) {
    HtmlTextSource source(UnitsSource(html));
    Converted out;
    char16_t block[4096];
    while (size_t n = source.ReadUnits(block, std::size(block))) out.text.append(block, n);
    out.title = source.Title();
    return out;
}

struct HtmlCase {
    const char* name;
    std::u16string html;
    std::u16string text;
    std::u16string title;
};

class HtmlConversion : public ::testing::TestWithParam<HtmlCase> {};

TEST_P(HtmlConversion, GivesTheTextAndTitle) {
    const HtmlCase& c = GetParam();
    const Converted bulk = ConvertAsSource(c.html);
    EXPECT_EQ(test::Escaped(bulk.text), test::Escaped(c.text));
    EXPECT_EQ(Utf16ToUtf8(bulk.title), Utf16ToUtf8(c.title));
    // However the input arrives and however small the steps, the result is the same.
    for (size_t piece : {size_t(1), size_t(3)}) {
        const Converted steps = ConvertBySteps(c.html, piece);
        EXPECT_EQ(steps.text, bulk.text) << "input in pieces of " << piece;
        EXPECT_EQ(steps.title, bulk.title) << "input in pieces of " << piece;
    }
}

const std::u16string kLongName(40, u'a');

INSTANTIATE_TEST_SUITE_P(
    Import, HtmlConversion,
    ::testing::Values(
        HtmlCase{"BreakEndsTheLine", u"a<br>b", u"a\nb", u""},
        HtmlCase{"InlineTagJoins", u"a<b>b", u"ab", u""},
        HtmlCase{"XhtmlBreaks", u"a<br/>b<br />c<BR\n>d", u"a\nb\nc\nd", u""},
        HtmlCase{"BlockTagWithAttributes", u"a<p class=\"x y\">b<td\nalign=left>c", u"a\nb\nc", u""},
        HtmlCase{"ClosingParagraphIsNotABlock", u"a</p>b", u"ab", u""},
        HtmlCase{"QuotedWordsAreOneToken", u"a<x \" p \">b", u"ab", u""},
        HtmlCase{"FirstBlockTagOpensALine", u"<html><body>x", u"\nx", u""},
        HtmlCase{"TwoBlockTagsGiveOneLineFeed", u"a<p><p>b", u"a\nb", u""},
        HtmlCase{"SpaceBetweenBlockTags", u"a<p> <p>b", u"a\n \nb", u""},
        HtmlCase{"LineFeedBetweenBlockTagsIsNoText", u"a<p>\n<p>b", u"a\n b", u""},
        HtmlCase{"WhiteSpaceCollapses", u"a  \r\n  b\t\tc", u"a b\tc", u""},
        HtmlCase{"WhiteSpaceKeptInPre", u"<pre>a  \r\n  b</pre> \n c",
                 u"\x02"
                 u"a  \r\n  b\x01"
                 u" c",
                 u""},
        HtmlCase{"PreMarkersOnlyOnce", u"<pre><pre>a</pre></pre>b",
                 u"\x02"
                 u"a\x01"
                 u"b",
                 u""},
        HtmlCase{"ScriptAndStyleContentsPassedOver",
                 u"a<script type=x>if (a<b) s='</p>';</script>b<STYLE>p{}</style >c", u"abc", u""},
        HtmlCase{"SelfClosedScriptHasNoContents", u"a<script src=x/>b", u"ab", u""},
        HtmlCase{"UnclosedScript", u"a<script>b<p>c", u"a", u""},
        HtmlCase{"DocumentMarkerUnitsDropped",
                 u"a\x01\x02"
                 u"b",
                 u"ab", u""},
        HtmlCase{"EscapedMarkup", u"&lt;p&gt;", u"<p>", u""},
        HtmlCase{"UpperCaseOfLowerName", u"&AMP;&NBSP;", u"&\u00A0", u""},
        HtmlCase{"MixedCaseIsNoName", u"&Amp;&Nbsp;", u"&Amp;&Nbsp;", u""},
        HtmlCase{"CapitalNamesMatchExactly", u"&AElig;&AELIG;&aelig;&Eacute;&EACUTE;",
                 u"\u00C6\u00E6\u00E6\u00C9\u00E9", u""},
        HtmlCase{"DecimalAndHexReferences", u"&#65;&#x42;&#X43;&#0068;", u"ABCD", u""},
        HtmlCase{"ControlReferencesGiveNothing", u"a&#9;b&#10;c&#0;d", u"abcd", u""},
        HtmlCase{"BadNumberGivesNothing", u"a&#12z;b&#;c&#x;d", u"abcd", u""},
        HtmlCase{"SupplementaryReference", u"&#128512;&#x1F600;&#1114112;", u"\U0001F600\U0001F600", u""},
        HtmlCase{"Windows1252Numbers", u"&#150;&#151;&#133;", u"\u2013\u2014\u2026", u""},
        HtmlCase{"BareAmpersandStays", u"AT&T rules", u"AT&T rules", u""},
        HtmlCase{"LoneAmpersand", u"a & b &", u"a & b &", u""},
        HtmlCase{"UnknownNameStays", u"&bogus;", u"&bogus;", u""},
        HtmlCase{"EmptyNameGivesNothing", u"a&;b", u"ab", u""},
        HtmlCase{"OverlongNameIsText", u"&" + kLongName + u";", u"&" + kLongName + u";", u""},
        HtmlCase{"ReferenceKeepsTheSpaces", u"Tom &amp; Jerry", u"Tom & Jerry", u""},
        HtmlCase{"SpaceReferenceCollapses", u"a &#32; b", u"a b", u""},
        HtmlCase{"ReferenceIsTextOnTheLine", u"a<p>&amp;<p>b", u"a\n&\nb", u""},
        HtmlCase{"CommentContainingGreaterThan", u"a<!-- x > y -->b", u"ab", u""},
        HtmlCase{"ShortestComment", u"a<!-->b", u"ab", u""},
        HtmlCase{"CommentNamingTagsIsNotMarkup", u"a<!-- p pre title -->b", u"ab", u""},
        HtmlCase{"UnclosedComment", u"a<!-- b", u"a", u""},
        HtmlCase{"UnclosedTagAtTheEnd", u"a<p", u"a\n", u""},
        HtmlCase{"Title", u"<title>Ivanov. Works</title>text", u"Ivanov. Workstext", u"Ivanov. Works"},
        HtmlCase{"BlockTagCancelsTheTitle", u"<title>Ivanov<p>Works</title>", u"Ivanov\nWorks", u""},
        HtmlCase{"FirstTitleWins", u"<title>One</title><title>Two</title>", u"OneTwo", u"One"},
        HtmlCase{"EmptyTitleLeavesRoom", u"<title> </title><title>Two</title>", u" Two", u"Two"},
        HtmlCase{"TitleAfterCancelledOne", u"<title>a<br>b</title><title>c</title>", u"a\nbc", u"c"},
        HtmlCase{"TitleAsItReads", u"<TITLE>\n  Tom &amp;\n Jerry\n</Title >", u" Tom & Jerry ",
                 u"Tom & Jerry"},
        HtmlCase{"UnclosedTitle", u"<title>Lost", u"Lost", u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HtmlEntityTable, HoldsTheNamesInTheirOrder) {
    const auto entities = HtmlEntities();
    ASSERT_EQ(entities.size(), 252u);
    EXPECT_EQ(entities.front().name, "quot");
    EXPECT_EQ(entities[4].name, "nbsp");
    EXPECT_EQ(entities[99].name, "yuml");
    EXPECT_EQ(entities[100].name, "OElig");
    EXPECT_EQ(entities.back().name, "diams");
    // Every name finds its own unit (no earlier entry shadows it).
    for (const HtmlEntity& e : entities) {
        const std::u16string name(e.name.begin(), e.name.end());
        EXPECT_EQ(FindHtmlEntity(name), e.unit) << e.name;
    }
}

// A hostile page cannot make the converter keep what it scans: a tag or a name that never
// ends is passed over in constant memory and the output follows the rules.
TEST(HtmlConversion, NeverEndingTagAndNameAreStreamed) {
    const std::u16string tag = u"a<" + std::u16string(4 << 20, u'x');
    EXPECT_EQ(ConvertAsSource(tag).text, u"a");
    const std::u16string name = u"&" + std::u16string(1 << 20, u'x');
    EXPECT_EQ(ConvertAsSource(name).text, name);
}

TEST(HtmlConversion, PreformattedBlockBecomesOneParagraphPerLine) {
    test::TempDir dir;
    const std::u16string html =
        u"<html><body><p>One paragraph\nover two lines.<p><pre>\nfirst\n  second\n</pre><p>Last words.";
    HtmlTextSource source(UnitsSource(html));
    const auto bookPath = dir / "page.book";
    BuildBook(source, bookPath, int64_t(html.size()), u"page.html", BuildBookOptions{});
    test::OpenedBook book(bookPath);
    ASSERT_EQ(book.Check(), VerdictKind::Ok);
    std::vector<std::string> paragraphs;
    for (size_t i = 0; i + 1 < book.paragraphs.size(); ++i) paragraphs.push_back(book.Paragraph(i));
    // The first block tag opens an empty line; the marker lines hold no text.
    EXPECT_EQ(paragraphs,
              (std::vector<std::string>{"|", "\tOne <1> paragraph <1> over <1> two <1> lines. | |",
                                        "\tfirst |", "<2> \tsecond |", "|", "\tLast <1> words. |"}));
}

class HtmlFixtures : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = test::SharedFixtures("html");
        if (folder_.empty()) GTEST_SKIP() << "the shared html fixtures are missing";
    }
    std::u16string Decoded(const std::string& name, int codePage) {
        return test::IcuDecode(test::ReadBytes(folder_ / name), codePage);
    }
    std::u16string Expected(const std::string& name) {
        const auto bytes = test::ReadBytes(folder_ / name);
        return Utf8ToUtf16(std::string(bytes.begin(), bytes.end()));
    }
    std::filesystem::path folder_;
};

TEST_F(HtmlFixtures, DevilsDictionaryReadsToItsLastWord) {
    const Converted out = ConvertAsSource(Decoded("devils-dictionary.htm", 1252));
    EXPECT_EQ(Utf16ToUtf8(out.title), "The Devil's Dictionary, by Ambrose Bierce");
    const auto words = test::Words(out.text);
    ASSERT_GT(words.size(), 60000u);
    EXPECT_EQ(Utf16ToUtf8(words.front()), "The");
    EXPECT_EQ(Utf16ToUtf8(words.back()), "eBooks.");
    // Every reference was resolved: 378 em dashes, no name left behind.
    EXPECT_EQ(std::count(out.text.begin(), out.text.end(), u'\u2014'), 378);
    EXPECT_EQ(out.text.find(u"&mdash;"), std::u16string::npos);
    EXPECT_EQ(out.text.find(u"&nbsp;"), std::u16string::npos);
    // The page opens and closes <pre> blocks; every one is marked and closed.
    const auto starts = std::count(out.text.begin(), out.text.end(), kPreformattedStart);
    EXPECT_GT(starts, 0);
    EXPECT_EQ(starts, std::count(out.text.begin(), out.text.end(), kPreformattedEnd));
    // No markup and no style sheet survives.
    EXPECT_EQ(out.text.find(u"margin-left"), std::u16string::npos);
    EXPECT_EQ(out.text.find(u"<p"), std::u16string::npos);
    EXPECT_EQ(out.text.find(u"href="), std::u16string::npos);
}

// The expected text comes from another converter, which draws tables with rules, keeps the
// text of comments (we drop it) and breaks lines at tags of its own choosing. So every expected
// line must come out whole and in order, with other text allowed between, except the lines
// that converter gets otherwise.
TEST_F(HtmlFixtures, TablesPageGivesTheExpectedLines) {
    const std::u16string page = Decoded("tables.html", 65001);
    const Converted out = ConvertAsSource(page);
    EXPECT_EQ(Utf16ToUtf8(out.title), "List of countries by population - Wikipedia, the free encyclopedia");
    // The words of every comment on the page, as the other converter writes them.
    std::vector<std::string> comments;
    for (size_t at = 0; (at = page.find(u"<!--", at)) != std::u16string::npos;) {
        const size_t end = page.find(u"-->", at);
        std::string words;
        for (const auto& word : test::Words(page.substr(at + 4, end - at - 4)))
            words += (words.empty() ? "" : " ") + Utf16ToUtf8(word);
        comments.push_back(words);
        at = end;
    }
    std::vector<std::string> missing;
    for (const std::string& line : test::LinesNotFoundInOrder(Expected("tables.expected.txt"), out.text)) {
        if (std::find(comments.begin(), comments.end(), line) == comments.end())
            missing.push_back(line.substr(0, 40));
    }
    EXPECT_EQ(missing, (std::vector<std::string>{
                           "List of countries by population (United ",    // a navigation box it moves
                           "^ \"U.S. &amp; World Population Clocks\". ",  // "&amp;" left as it is
                           "v t e Lists of countries by population s",    // the other navigation box
                           "Retrieved from \"http://en.wikipedia.org/",   // "&amp;" again
                       }));
}

TEST_F(HtmlFixtures, CyrillicPageInItsCodePage) {
    const Converted out = ConvertAsSource(Decoded("cyrillic-cp1251.html", 1251));
    EXPECT_EQ(test::CompareWordsAndLines(Expected("cyrillic-cp1251.expected.txt"), out.text), "");
}

}  // namespace
}  // namespace corvalin
