#include <gtest/gtest.h>

#include "books/BookFormat.h"
#include "import/UnicodeSources.h"
#include "layout/LineFormatter.h"
#include "support/ViewFixture.h"

namespace corvalin {
namespace {

using test::ViewFixture;

enum class Mode { Full, Hyphen, Original };

void SetMode(VEMRenderParag& view, Mode mode) {
    view.fullFormatting = mode != Mode::Original;
    view.joinHyphens = mode == Mode::Hyphen;
}

std::string X(int n) { return std::string(size_t(n), 'x'); }

// Every character one pixel wide, no margin: page widths count characters.
struct PlacementCase {
    const char* name;
    Mode mode;
    int32_t pageWidth;
    std::string text;
    int32_t unit;
    std::string lines;  // ViewFixture::Describe
};

class Placement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Placement, BreaksAndPlacesWords) {
    const PlacementCase& c = GetParam();
    ViewFixture f(c.text);
    f.UseCharWidth(1);
    f.view.pageWidthPx = c.pageWidth;
    SetMode(f.view, c.mode);
    EXPECT_EQ(ViewFixture::Describe(*f.FormatOnly(c.unit)), c.lines);
}

const std::string kIndent = "        ";

INSTANTIATE_TEST_SUITE_P(
    Layout, Placement,
    ::testing::Values(
        PlacementCase{"ShortParagraphLeftAlignedBesideJustified", Mode::Full, 16,
                      "a cd ef\n\na bb cc dd ee\n", 0, kIndent + "a@0 cd@10 ef@13"},
        PlacementCase{"JustifiedParagraphAfterShortOne", Mode::Full, 16, "a cd ef\n\na bb cc dd ee\n", 1,
                      kIndent + "a@0 bb@10 cc@14 | dd@0 ee@3"},
        PlacementCase{"GapsThreeThreeFour", Mode::Full, 31, "a bbbb cccc dddd eeeeeeeeee\n", 0,
                      kIndent + "a@0 bbbb@12 cccc@19 dddd@27 | eeeeeeeeee@0"},
        PlacementCase{"DashWordGluedToNextWord", Mode::Full, 40, "- a go\n", 0, kIndent + "- a@0 go@12"},
        PlacementCase{"LongWordFillsTheLineFirst", Mode::Full, 25, "a " + X(60) + "\n", 0,
                      kIndent + "a@0 " + X(15) + "@10 | " + X(25) + "@0 | " + X(20) + "@0"},
        PlacementCase{"LongWordAloneOriginal", Mode::Original, 25, "a\n" + X(60) + "\n", 1,
                      X(25) + "@0 | " + X(25) + "@0 | " + X(10) + "@0"},
        PlacementCase{"HyphenJoinsAcrossLineEnd", Mode::Hyphen, 40, "a bro-\nken word\n", 0,
                      kIndent + "a@0 broken@10 word@17"},
        PlacementCase{"HyphenKeptInFullMode", Mode::Full, 40, "a bro-\nken\n", 0,
                      kIndent + "a@0 bro-@10 ken@15"},
        PlacementCase{"DoubleHyphenNeverJoins", Mode::Hyphen, 40, "a bro--\nken\n", 0,
                      kIndent + "a@0 bro--@10 ken@16"},
        PlacementCase{"LoneHyphenNeverJoins", Mode::Hyphen, 40, "a -\nken\n", 0, kIndent + "a@0 -@10 ken@12"},
        PlacementCase{"HyphenBeforeBlankLineStays", Mode::Hyphen, 40, "a bro-\n\nken\n", 0,
                      kIndent + "a@0 bro-@10"},
        PlacementCase{"HyphenAtBookEndDropped", Mode::Hyphen, 40, "a bro-\n", 0, kIndent + "a@0 bro@10"},
        PlacementCase{"OriginalKeepsSpaceColumns", Mode::Original, 40, "a bc   de f\n", 0,
                      "a@0 bc@2 de@7 f@10"},
        PlacementCase{"OriginalStretchesWrappedSpaces", Mode::Original, 10, "a bc   de f\n", 0,
                      "a@0 bc@2 de@8 | f@0"},
        PlacementCase{"OriginalTrailingSpacesDropped", Mode::Original, 6, "a bc   de\n", 0,
                      "a@0 bc@4 | de@0"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineFormatter, MeasuresAndExpands) {
    ViewFixture f("a\n");
    f.view.Relayout();
    int32_t sum = 0;
    for (char16_t unit : std::u16string(u"Ab c")) sum += f.canvas.Advance(unit);
    EXPECT_EQ(MeasureText(f.view, u"Ab c"), sum);
    EXPECT_EQ(MeasureText(f.view, u""), 0);
    f.view.kerningSsPx = -1000;  // every advance is at least one pixel
    EXPECT_EQ(MeasureText(f.view, u"Ab c"), 4);
    f.UseCharWidth(7);
    EXPECT_EQ(MeasureText(f.view, u"Ab c"), 28);
    EXPECT_EQ(ExpandTabs(u"a\tb"), u"a        b");
}

TEST(LineFormatter, LinesCarryIntervalsAndTextBoxes) {
    ViewFixture f("a bb cc dd ee\n");
    f.UseCharWidth(1);
    f.view.pageWidthPx = 10;
    f.view.lineIntervalPx = 3;
    f.view.paragraphIntervalPx = 5;
    VEMRenderParagObject* unit = f.FormatOnly(0);
    ASSERT_EQ(unit->lineCount, 3);
    const int32_t row = f.view.rowHeightPx;
    const VEMRenderLineObject* first = unit->firstLine;
    const VEMRenderLineObject* middle = first->next;
    const VEMRenderLineObject* last = unit->lastLine;
    EXPECT_EQ(first->height, row + 3 + 5);
    EXPECT_EQ(first->textTop, 5);
    EXPECT_EQ(first->textBottom, 5 + row);
    EXPECT_EQ(middle->height, row + 3);
    EXPECT_EQ(middle->textTop, 0);
    EXPECT_EQ(last->height, row + 3 + 5);
    EXPECT_EQ(last->textBottom, row);
    // Text ranges follow the words: each line starts where the previous one stopped.
    EXPECT_EQ(first->startOffset, unit->startOffset);
    EXPECT_EQ(middle->startOffset, first->endOffset);
    EXPECT_EQ(last->startOffset, middle->endOffset);
}

TEST(LineFormatter, OriginalBlankAndSpaceOnlyLines) {
    ViewFixture f("a\n\n   \nb\n", true);
    SetMode(f.view, Mode::Original);
    f.view.lineIntervalPx = 3;
    f.view.Relayout();
    f.view.DeleteAllUnits();
    const VEMRenderParagObject* blank = f.view.ConstructUnit(1);
    const VEMRenderParagObject* spaces = f.view.ConstructUnit(2);
    ASSERT_EQ(blank->lineCount, 1);
    EXPECT_EQ(blank->firstLine->height, f.view.rowHeightPx);
    EXPECT_EQ(blank->firstLine->textBottom - blank->firstLine->textTop, 0);
    ASSERT_EQ(spaces->lineCount, 1);
    EXPECT_EQ(spaces->firstLine->height, f.view.rowHeightPx + 3);
    EXPECT_EQ(spaces->firstLine->wordCount, 0);
}

TEST(LineFormatter, APageNarrowerThanACharacterStillAdvances) {
    for (Mode mode : {Mode::Full, Mode::Original}) {
        ViewFixture f("abc\n");
        f.UseCharWidth(5);
        f.view.pageWidthPx = 2;
        SetMode(f.view, mode);
        const VEMRenderParagObject* unit = f.FormatOnly(0);
        int32_t units = 0;
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
                EXPECT_LE(word->text.size(), 1u);
                units += int32_t(word->text.size());
            }
        EXPECT_EQ(units, mode == Mode::Full ? 11 : 3);
    }
}

TEST(LineFormatter, MarginsWiderThanThePageStillAdvance) {
    for (Mode mode : {Mode::Full, Mode::Original}) {
        ViewFixture f("ab cd\n");
        f.view.marginPx = 150;  // page 200 wide: nothing would be left between the margins
        SetMode(f.view, mode);
        const VEMRenderParagObject* unit = f.FormatOnly(0);
        std::u16string seen;
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next) seen += word->text;
        EXPECT_NE(seen.find(u"ab"), std::u16string::npos);
        EXPECT_NE(seen.find(u"cd"), std::u16string::npos);
    }
}

// Colours: T text, H heading, F first letter.
std::string Colours(const ViewFixture& f, const VEMRenderParagObject& unit) {
    std::string out;
    for (const VEMRenderLineObject* line = unit.firstLine; line; line = line->next)
        for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
            if (!out.empty()) out += " ";
            const char kind = word->colour == f.view.headingColour       ? 'H'
                              : word->colour == f.view.firstLetterColour ? 'F'
                                                                         : 'T';
            out += Utf16ToUtf8(word->text) + ":" + kind;
        }
    return out;
}

struct ColourCase {
    const char* name;
    Mode mode;
    std::string text;
    int32_t headingWords;  // -1: no heading record
    std::string colours;
};

class Colouring : public ::testing::TestWithParam<ColourCase> {};

TEST_P(Colouring, MarksHeadingsAndFirstLetters) {
    const ColourCase& c = GetParam();
    ViewFixture f(c.text);
    SetMode(f.view, c.mode);
    VEMOpt* headings = f.book.Store().Child(kTagHeadings);
    headings->Clear();
    if (c.headingWords >= 0) headings->SetInt(0, c.headingWords);
    f.view.pageWidthPx = 400;
    EXPECT_EQ(Colours(f, *f.FormatOnly(0)), c.colours);
}

INSTANTIATE_TEST_SUITE_P(
    Layout, Colouring,
    ::testing::Values(
        ColourCase{"HeadingTwoWordsFull", Mode::Full, "Aa bb cc dd\n", 2, kIndent + "Aa:H bb:H cc:T dd:T"},
        ColourCase{"HeadingTwoWordsOriginalTakesThree", Mode::Original, "Aa bb cc dd\n", 2,
                   "Aa:H bb:H cc:H dd:T"},
        ColourCase{"HeadingZeroStillColoursOne", Mode::Full, "Aa bb\n", 0, kIndent + "Aa:H bb:T"},
        ColourCase{"FirstLetterBehindQuotationMark", Mode::Full, "\"Hello\" she said\n", -1,
                   kIndent + "\"H:F ello\":T she:T said:T"},
        ColourCase{"FirstLetterOriginal", Mode::Original, "Word two\n", -1, "W:F ord:T two:T"},
        ColourCase{"LonePunctuationThenLetter", Mode::Original, "' x y\n", -1, "':F x:F y:T"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineFormatter, FirstLetterCutKeepsTheLineLayout) {
    ViewFixture f("\"Hello\" she said\n");
    f.book.Store().Child(kTagHeadings)->Clear();  // the line is shaped like a heading
    f.view.pageWidthPx = 400;
    const VEMRenderParagObject* unit = f.FormatOnly(0);
    const VEMRenderWordObject* first = unit->firstLine->firstWord;
    const VEMRenderWordObject* rest = first->next;
    EXPECT_EQ(rest->x, first->x + first->width);
    EXPECT_EQ(first->width + rest->width, MeasureText(f.view, u"        \"Hello\""));
    EXPECT_EQ(unit->firstLine->wordCount, 4);
}

}  // namespace
}  // namespace corvalin
