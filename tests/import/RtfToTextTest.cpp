#include <gtest/gtest.h>

#include "ConverterSupport.h"
#include "import/RtfToText.h"
#include "import/UnicodeSources.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

struct RtfCase {
    const char* name;
    std::string rtf;
    std::u16string text;
};

class RtfConversion : public ::testing::TestWithParam<RtfCase> {};

TEST_P(RtfConversion, GivesTheVisibleText) {
    const RtfCase& c = GetParam();
    test::IcuDecoder decoder;
    std::u16string text;
    const Verdict verdict = RtfToText(Bytes(c.rtf), decoder, text);
    ASSERT_TRUE(verdict.Ok()) << verdict.message;
    EXPECT_EQ(test::Escaped(text), test::Escaped(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Import, RtfConversion,
    ::testing::Values(
        RtfCase{"ParagraphsAndLineBreaks", R"({\rtf1\ansi a\par b\line c\par})", u"a\nb\nc\n"},
        RtfCase{"FileLineBreaksAreNoText", "{\\rtf1 a\r\nb\nc}", u"abc"},
        RtfCase{"EscapedLineBreakIsAParagraph", "{\\rtf1 A\\\nB\\\r\nC\\\n}", u"A\nB\nC\n"},
        RtfCase{"PageAndSectionEndALineOnce", R"({\rtf1 a\page b\par\page\sect c})", u"a\nb\nc"},
        RtfCase{"TableCellsAndRows", R"({\rtf1\trowd a\cell b\cell\row c})", u"a\tb\t\nc"},
        RtfCase{"Tabs", "{\\rtf1 a\\tab b\tc}", u"a\tb\tc"},
        RtfCase{"Literals", R"({\rtf1 \\\{\}})", u"\\{}"},
        RtfCase{
            "SpecialCharacters",
            R"({\rtf1 a\~b\-c\_d\emdash\endash\bullet\lquote\rquote\ldblquote\rdblquote\emspace\enspace e})",
            u"a\u00A0b\u00ADc\u2011d\u2014\u2013\u2022\u2018\u2019\u201C\u201D\u2003\u2002e"},
        RtfCase{"UnicodeSkipsItsStandIn", R"({\rtf1\ansi\u1046?x})", u"\u0416x"},
        RtfCase{"UnicodeStandInAsEscape", R"({\rtf1\ansi\uc1\u1046\'3fx})", u"\u0416x"},
        RtfCase{"NegativeUnicodeMakesSurrogates", R"({\rtf1\ansi\u-10179?\u-8704?})", u"\U0001F600"},
        RtfCase{"UcTwoSkipsTwo", R"({\rtf1\ansi\uc2\u1046\'3f\'3fx\u1046??y})", u"\u0416x\u0416y"},
        RtfCase{"UcZeroSkipsNothing", R"({\rtf1\ansi\uc0\u1046 x})", u"\u0416x"},
        RtfCase{"UcBelongsToItsGroup", R"({\rtf1\ansi{\uc2\u1046??}\u1046?y})", u"\u0416\u0416y"},
        RtfCase{"SkippingStopsAtABrace", R"({\rtf1\ansi\uc3{\u1046}x})", u"\u0416x"},
        RtfCase{"SkippingCountsAControlWordAsOne", R"({\rtf1\ansi\uc2\u1046\emdash ?x})", u"\u0416x"},
        RtfCase{"HexInTheDocumentCodePage", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})",
                u"\u041F\u0440\u0438"},
        RtfCase{"HexWithoutCodePageIs1252", R"({\rtf1 \'e9\'80})", u"\u00E9\u20AC"},
        RtfCase{"MacCodePage", R"({\rtf1\mac \'8e})", u"\u00E9"},
        RtfCase{"UnknownCodePageFallsBackTo1252", R"({\rtf1\ansicpg12345 \'e9})", u"\u00E9"},
        RtfCase{"FontCharsetChoosesTheCodePage",
                R"({\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fcharset0 Times;}{\f1\fcharset204 Times Cyr;}})"
                R"(\'e0 {\f1 \'e0}\'e0})",
                u"\u00E0 \u0430\u00E0"},
        RtfCase{"DefaultFontCharset",
                R"({\rtf1\ansi\deff1{\fonttbl{\f0\fcharset0 A;}{\f1\fcharset238 B;}}\'b9\f0 \'b9\plain\'b9})",
                u"\u0105\u00B9\u0105"},
        RtfCase{"FontCodePageWinsOverCharset", R"({\rtf1{\fonttbl\f0\fcharset0\cpg1251 A;}\f0 \'e0})",
                u"\u0430"},
        // A double-byte character may come as two escapes or as an escape and a plain byte.
        RtfCase{"DoubleByteAcrossEscapes", R"({\rtf1\ansi\ansicpg932 \'82\'a0\'82i})", u"\u3042\uFF2A"},
        RtfCase{"SymbolFontGivesTheSymbolArea", R"({\rtf1{\fonttbl{\f3\fcharset2 Symbol;}}{\f3 a\'b7}b})",
                u"\uF061\uF0B7b"},
        RtfCase{"HeaderTablesAndInformationHidden",
                R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}})"
                R"({\info{\title T}{\author A}}{\*\generator G;}{\header H}{\footer F}{\pict 0102}text})",
                u"text"},
        RtfCase{"IgnorableDestinationsHidden", R"({\rtf1 a{\*\unknownthing b{c}}d})", u"ad"},
        RtfCase{"FieldShowsItsResult", R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}}})",
                u"link"},
        RtfCase{"ObjectShowsItsResult",
                R"({\rtf1 a{\object\objemb{\*\objclass Word}{\objdata 0102}{\result b}}c})", u"abc"},
        RtfCase{"HiddenText", R"({\rtf1 a{\v b}c\v d\v0 e\v f\plain g})", u"aceg"},
        RtfCase{"BinaryDataPassedOver", "{\\rtf1 a{\\pict\\bin4 }{}}}b}", u"ab"},
        RtfCase{"UnicodeTwinOfUpr", R"({\rtf1 {\upr{x}{\*\ud{\u1046?}}}y})", u"\u0416y"},
        RtfCase{"ListNumbersAreText", R"({\rtf1 {\listtext 1.\tab}Item\par})", u"1.\tItem\n"},
        RtfCase{"CutShortKeepsTheText", R"({\rtf1 abc{\b de)", u"abcde"},
        RtfCase{"LeadingWhiteSpace", " \r\n{\\rtf1 x}", u"x"},
        RtfCase{"TextAfterTheLastBraceIgnored", "{\\rtf1 x}y", u"x"},
        RtfCase{"OverlongControlWordIgnored", "{\\rtf1 a\\" + std::string(40, 'q') + " b}", u"ab"},
        RtfCase{"MarkerUnitsDropped", R"({\rtf1 a\u1?\u2?\u0?b})", u"ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RtfConversion, RefusesWhatIsNotRtf) {
    test::IcuDecoder decoder;
    std::u16string text;
    for (const std::string& input :
         {std::string(), std::string("hello"), std::string("{\\rt"), std::string("{rtf1}")}) {
        const Verdict verdict = RtfToText(Bytes(input), decoder, text);
        EXPECT_EQ(verdict.kind, VerdictKind::NotThisFormat) << input;
        EXPECT_NE(verdict.message.find("RTF"), std::string::npos);
    }
}

TEST(RtfConversion, DeepNestingIsDamagedNotACrash) {
    test::IcuDecoder decoder;
    std::u16string text;
    const std::string hostile = "{\\rtf1 a" + std::string(1 << 20, '{');
    const Verdict verdict = RtfToText(Bytes(hostile), decoder, text);
    EXPECT_EQ(verdict.kind, VerdictKind::Damaged);
    EXPECT_EQ(verdict.field, "group nesting");
    // Nesting up to the limit is read.
    const int depth = kMaxRtfGroupDepth - 1;
    const std::string deep = "{\\rtf1 " + std::string(depth - 1, '{') + "x" + std::string(depth, '}');
    ASSERT_TRUE(RtfToText(Bytes(deep), decoder, text).Ok());
    EXPECT_EQ(text, u"x");
}

TEST(RtfConversion, WritesUtf16TextFile) {
    test::TempDir dir;
    test::WriteText(dir / "in.rtf", R"({\rtf1\ansi Caf\'e9\par \u1046?\par})");
    test::IcuDecoder decoder;
    ASSERT_TRUE(ConvertRtf(dir / "in.rtf", dir / "out.txt", decoder).Ok());
    const std::vector<uint8_t> expected = {0xFF, 0xFE, 'C',  0, 'a',  0,    'f',  0,
                                           0xE9, 0,    '\n', 0, 0x16, 0x04, '\n', 0};
    EXPECT_EQ(test::ReadBytes(dir / "out.txt"), expected);

    test::WriteText(dir / "not.rtf", "plain");
    EXPECT_FALSE(ConvertRtf(dir / "not.rtf", dir / "not.txt", decoder).Ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "not.txt"));
    EXPECT_THROW(ConvertRtf(dir / "missing.rtf", dir / "x.txt", decoder), FileError);
}

std::u16string ReadUtf8(const std::filesystem::path& path) {
    const auto bytes = test::ReadBytes(path);
    return Utf8ToUtf16(std::string(bytes.begin(), bytes.end()));
}

// Files written by word processors, each with its visible text as another converter gives it.
TEST(RtfFixtures, RealDocumentsGiveTheirText) {
    const auto folder = test::SharedFixtures("rtf");
    if (folder.empty()) GTEST_SKIP() << "the shared rtf fixtures are missing";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".rtf") continue;
        ++files;
        const auto rtf = test::ReadBytes(entry.path());
        test::IcuDecoder decoder;
        std::u16string text;
        const Verdict verdict = RtfToText(rtf, decoder, text);
        ASSERT_TRUE(verdict.Ok()) << entry.path() << ": " << verdict.message;
        auto expectedPath = entry.path();
        expectedPath.replace_extension(".expected.txt");
        std::u16string expected = ReadUtf8(expectedPath);
        // This file holds a second document after the first one's last brace; a reader stops
        // at that brace, the converter that made the expected text read on.
        if (entry.path().filename() == "encoding.rtf") expected.resize(expected.find(u"Text2:"));
        EXPECT_EQ(test::CompareWordsAndLines(expected, text), "") << entry.path().filename();
    }
    EXPECT_EQ(files, 10);
}

// Documents written at test time by real converters, read back to their visible text.
class RtfFromConverters : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteText(dir_ / "doc.md",
                        "# Café crème\n\n"
                        "Le garçon a mangé une pêche à Noël.\n\n"
                        "Пушкин писал стихи.\n\n"
                        "| Name | Город |\n|------|-------|\n| Ivan | Москва |\n| Zoë | Kraków |\n\n"
                        "- first item\n- second item\n");
    }
    std::u16string Convert(const std::filesystem::path& rtfPath) {
        test::IcuDecoder decoder;
        std::u16string text;
        const Verdict verdict = RtfToText(test::ReadBytes(rtfPath), decoder, text);
        EXPECT_TRUE(verdict.Ok()) << verdict.message;
        return text;
    }
    test::TempDir dir_;
};

TEST_F(RtfFromConverters, Pandoc) {
    if (!test::HaveProgram("pandoc")) GTEST_SKIP() << "pandoc is not installed";
    ASSERT_EQ(test::Run("pandoc -s -t rtf '" + (dir_ / "doc.md").string() + "' -o '" +
                        (dir_ / "doc.rtf").string() + "'"),
              0);
    // pandoc writes a table cell as a paragraph of its own and a bullet as \bullet and a tab.
    EXPECT_EQ(test::CompareWordsAndLines(u"Café crème\n"
                                         u"Le garçon a mangé une pêche à Noël.\n"
                                         u"Пушкин писал стихи.\n"
                                         u"Name\nГород\nIvan\nМосква\nZoë\nKraków\n"
                                         u"\u2022 first item\n\u2022 second item\n",
                                         Convert(dir_ / "doc.rtf")),
              "");
}

TEST_F(RtfFromConverters, LibreOffice) {
    if (!test::HaveProgram("soffice")) GTEST_SKIP() << "LibreOffice is not installed";
    ASSERT_EQ(
        test::Run(
            "cd '" + dir_.path().string() +
            "' && pandoc doc.md -o doc.docx && soffice --headless --convert-to rtf doc.docx >/dev/null 2>&1"),
        0);
    // LibreOffice writes its own list numbering and table layout; the words come in order.
    const auto words = test::Words(Convert(dir_ / "doc.rtf"));
    auto at = words.begin();
    for (const auto& word : test::Words(u"Café crème Le garçon a mangé une pêche à Noël. Пушкин писал стихи. "
                                        u"Name Город Ivan Москва Zoë Kraków first item second item")) {
        at = std::find(at, words.end(), word);
        ASSERT_NE(at, words.end()) << Utf16ToUtf8(word) << " missing or out of order";
    }
}

}  // namespace
}  // namespace corvalin
