#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/KeptPage.h"
#include "render/PageComposition.h"
#include "support/ViewFixture.h"

namespace corvalin {
namespace {

using test::PageImage;
using test::ViewFixture;

std::string Prose(int paragraphs) {
    static const char* const kWords[] = {
        "When",  "the",     "river", "turned", "north,", "travellers", "followed", "its", "banks", "for",
        "days;", "hyphen-", "ated",  "words",  "and",    "\"quoted\"", "speech",   "ran", "on."};
    std::string text = "Chapter 1\n\n";
    int k = 0;
    for (int p = 0; p < paragraphs; ++p) {
        const int lines = 1 + p % 4;
        for (int l = 0; l < lines; ++l) {
            for (int w = 0; w < 6 + (p + l) % 5; ++w) text += std::string(kWords[k++ % 19]) + " ";
            text += "\n";
        }
        text += "\n";
    }
    return text;
}

enum class Mode { Full, Hyphen, Original };

struct StepCase {
    Mode mode;
    int32_t aaFactor;
    int32_t autoMode;
};

std::string CaseName(const ::testing::TestParamInfo<StepCase>& info) {
    const char* mode = info.param.mode == Mode::Full     ? "Full"
                       : info.param.mode == Mode::Hyphen ? "Hyphen"
                                                         : "Original";
    return std::string(info.param.autoMode == kAutoWave ? "Wave" : "Scroll") + mode + "Aa" +
           std::to_string(info.param.aaFactor);
}

void Configure(ViewFixture& f, const StepCase& c) {
    f.view.fullFormatting = c.mode != Mode::Original;
    f.view.joinHyphens = c.mode == Mode::Hyphen;
    f.view.aaFactor = c.aaFactor;
    FontSpec font = f.canvas.Font();
    font.cellHeightPx = 14 * c.aaFactor;
    f.canvas.SetFont(font);
    f.view.marginPx = 6;
    f.view.paragraphIntervalPx = 4;
    f.view.lineIntervalPx = -2;
    f.view.autoMode = c.autoMode;
    f.view.autoRunning = true;
    f.view.Relayout();
}

class IncrementalSteps : public ::testing::TestWithParam<StepCase> {};

// The presentation composes only the rows a step uncovers and keeps the rest of the picture;
// after any number of steps that must be exactly the page drawn whole.
TEST_P(IncrementalSteps, EqualTheWholePageAtTheFinalPosition) {
    const StepCase& c = GetParam();
    ViewFixture f(Prose(14));
    Configure(f, c);
    f.view.GoToPosition(0, 30);
    f.view.PlaceLine(f.view.firstUnit->firstLine, f.view.firstUnit->firstLine->y);
    PageImage kept(f.view.pageWidthPx, f.view.pageHeightPx);
    KeptPage page(kept.image);
    page.PaintWhole(f.view);

    const int32_t steps = 3 * f.view.pageHeightPx + 17;
    int32_t taken = 0;
    for (; taken < steps && page.Step(f.view); ++taken) {
        if (taken % 97 == 0) {
            page.Unroll();
            PageImage whole(f.view.pageWidthPx, f.view.pageHeightPx);
            PaintView(f.view, whole.image);
            ASSERT_TRUE(kept == whole) << "after " << taken + 1 << " steps: " << kept.FirstDifference(whole);
        }
    }
    EXPECT_EQ(taken, steps);
    page.Unroll();
    PageImage whole(f.view.pageWidthPx, f.view.pageHeightPx);
    PaintView(f.view, whole.image);
    EXPECT_TRUE(kept == whole) << kept.FirstDifference(whole);
}

std::vector<StepCase> AllCases() {
    std::vector<StepCase> cases;
    for (int32_t autoMode : {int32_t(kAutoScroll), int32_t(kAutoWave)})
        for (Mode mode : {Mode::Full, Mode::Hyphen, Mode::Original})
            for (int32_t aa : {1, 2, 3, 4}) cases.push_back({mode, aa, autoMode});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Render, IncrementalSteps, ::testing::ValuesIn(AllCases()), CaseName);

TEST(PageComposition, ScrollingToTheEndShowsTheEndMarkerIncrementally) {
    for (int32_t autoMode : {int32_t(kAutoScroll), int32_t(kAutoWave)}) {
        ViewFixture f(Prose(3));
        Configure(f, {Mode::Full, 2, autoMode});
        f.view.GoToPosition(0, 0);
        PageImage kept(f.view.pageWidthPx, f.view.pageHeightPx);
        KeptPage page(kept.image);
        page.PaintWhole(f.view);
        int32_t steps = 0;
        while (page.Step(f.view)) ++steps;
        page.Unroll();
        EXPECT_GT(steps, 0);
        EXPECT_FALSE(f.view.CanAdvance(false));
        PageImage whole(f.view.pageWidthPx, f.view.pageHeightPx);
        PaintView(f.view, whole.image);
        EXPECT_TRUE(kept == whole) << kept.FirstDifference(whole);
    }
}

// The rows of a picture that hold the colour somewhere.
std::vector<int32_t> RowsWithColour(const PageImage& page, uint32_t colour) {
    std::vector<int32_t> rows;
    for (int32_t y = 0; y < page.image.height; ++y) {
        const uint8_t* row = page.image.Row(y);
        for (int32_t x = 0; x < page.image.width; ++x) {
            if (row[3 * x] == uint8_t(colour >> 16) && row[3 * x + 1] == uint8_t(colour >> 8) &&
                row[3 * x + 2] == uint8_t(colour)) {
                rows.push_back(y);
                break;
            }
        }
    }
    return rows;
}

TEST(PageComposition, EndMarkerStandsHalfAPageBelowTheLastLine) {
    ViewFixture f("one short line\n");
    f.view.pageHeightPx = 200;
    f.view.Relayout();
    f.view.GoToPosition(0, 0);
    const VEMRenderLineObject* last = f.view.lastUnit->lastLine;
    const int32_t centre = last->y + last->height + f.view.pageHeightPx / 2;
    PageImage page(f.view.pageWidthPx, f.view.pageHeightPx);
    PaintView(f.view, page.image);
    const auto rows = RowsWithColour(page, f.view.textColour);
    ASSERT_FALSE(rows.empty());
    // Text rows of the line, then the marker's rows around its centre and nothing else.
    std::vector<int32_t> markerRows;
    for (int32_t r : rows)
        if (r >= last->y + last->textBottom) markerRows.push_back(r);
    ASSERT_FALSE(markerRows.empty());
    EXPECT_GE(markerRows.front(), centre - 32);
    EXPECT_LT(markerRows.back(), centre + 32);
}

TEST(PageComposition, InkPastAWordsAdvanceShowsAndLeavesTheNextWordWhole) {
    // The test font's closing quote reaches a quarter of the cell past its advance; with the
    // space narrowed by the kerning its ink lies over the next word's first letter. Both must
    // show exactly as the canvas draws them at the words' positions: coverage 0 of the wider
    // area leaves the next word's pixels alone.
    ViewFixture f("ab\u201D cd\u201D ef gh\n");
    f.view.kerningSsPx = -2;
    f.view.Relayout();
    f.view.GoToPosition(0, 0);
    const VEMRenderLineObject* line = f.view.firstUnit->firstLine;
    ASSERT_GE(line->wordCount, 4);
    const int32_t top = line->y + line->textTop;

    std::vector<uint32_t> expected(size_t(f.view.pageWidthPx) * size_t(f.view.pageHeightPx), f.view.backColour);
    int overlaps = 0;
    for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
        PageImage glyphs(f.view.pageWidthPx, f.view.pageHeightPx);
        int32_t pen = word->x;
        for (char16_t unit : word->text) {
            f.canvas.DrawUnit(glyphs.image, pen, top + 2, unit);
            pen += std::max(1, f.canvas.Advance(unit) + f.view.kerningSsPx);
        }
        for (int32_t y = top; y < line->y + line->textBottom; ++y)
            for (int32_t x = 0; x < f.view.pageWidthPx; ++x) {
                const uint8_t* p = glyphs.image.Row(y) + 3 * x;
                if (!(p[0] | p[1] | p[2])) continue;
                uint32_t& pixel = expected[size_t(y) * size_t(f.view.pageWidthPx) + size_t(x)];
                overlaps += pixel != f.view.backColour;
                pixel = word->colour;
            }
    }
    ASSERT_GT(overlaps, 0) << "the quotes' ink reaches into the following words";

    PageImage page(f.view.pageWidthPx, f.view.pageHeightPx);
    PaintView(f.view, page.image);
    for (int32_t y = top; y < line->y + line->textBottom; ++y)
        for (int32_t x = 0; x < f.view.pageWidthPx; ++x) {
            const uint8_t* p = page.image.Row(y) + 3 * x;
            const uint32_t shown = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
            ASSERT_EQ(shown, expected[size_t(y) * size_t(f.view.pageWidthPx) + size_t(x)]) << x << "," << y;
        }
}

TEST(PageComposition, CropHidesCutLinesUnlessScrolling) {
    ViewFixture f(Prose(10));
    f.view.crop = true;
    f.view.Relayout();
    f.view.GoToPosition(0, 0);
    // Move until a line is cut by the bottom edge.
    const VEMRenderLineObject* cut = nullptr;
    for (int32_t i = 0; i < 40 && !cut; ++i) {
        f.view.PlaceLine(f.view.firstUnit->firstLine, f.view.firstUnit->firstLine->y - 1);
        for (VEMRenderParagObject* unit = f.view.firstUnit; unit && !cut; unit = unit->next)
            for (VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
                if (line->wordCount > 0 && line->y + line->textTop + 6 < f.view.pageHeightPx &&
                    line->y + line->textBottom > f.view.pageHeightPx)
                    cut = line;
    }
    ASSERT_TRUE(cut);
    const int32_t from = cut->y + cut->textTop;
    auto textRowsFrom = [&](const PageImage& page) {
        int32_t n = 0;
        for (int32_t r : RowsWithColour(page, f.view.textColour)) n += r >= from;
        return n;
    };
    PageImage still(f.view.pageWidthPx, f.view.pageHeightPx);
    PaintView(f.view, still.image);
    EXPECT_EQ(textRowsFrom(still), 0);
    f.view.autoRunning = true;
    PageImage scrolling(f.view.pageWidthPx, f.view.pageHeightPx);
    PaintView(f.view, scrolling.image);
    EXPECT_GT(textRowsFrom(scrolling), 0);
    f.view.autoMode = kAutoPageDown;
    PageImage pageDown(f.view.pageWidthPx, f.view.pageHeightPx);
    PaintView(f.view, pageDown.image);
    EXPECT_EQ(textRowsFrom(pageDown), 0);
}

TEST(WaveMode, TheFrontSweepsWhileThePageStaysAndTheNextPageStartsAtTheTop) {
    ViewFixture f(Prose(12));
    f.view.autoMode = kAutoWave;
    f.view.Relayout();
    f.view.GoToPosition(0, 0);
    f.view.PlaceLine(f.view.firstUnit->firstLine, f.view.firstUnit->firstLine->y);
    ASSERT_EQ(f.view.waveFront, 0);
    const int32_t height = f.view.pageHeightPx;
    PageImage first(f.view.pageWidthPx, height);
    PaintView(f.view, first.image);
    PageImage kept = first;
    KeptPage page(kept.image);
    for (int32_t step = 1; step < height; ++step) {
        ASSERT_TRUE(page.Step(f.view));
        ASSERT_EQ(f.view.waveFront, step);
        // Below the band the old page is untouched (the first picture had the band wrapped
        // into its last two rows).
        for (int32_t y = step + 1; y < height - 2; ++y)
            ASSERT_EQ(0, std::memcmp(kept.image.Row(y), first.image.Row(y), size_t(f.view.pageWidthPx) * 3))
                << "row " << y << " after " << step;
    }
    // The part above the front begins with a line whose text starts at row 0.
    ASSERT_LT(f.view.waveSplit, f.view.waveLines.size());
    const VEMRenderScreenLineWave& top = f.view.waveLines[f.view.waveSplit];
    EXPECT_EQ(top.screenRow + top.line->textTop, 0);
    // At the wrap the part above becomes the part below without moving.
    PageImage before(f.view.pageWidthPx, height);
    PaintView(f.view, before.image);
    ASSERT_TRUE(page.Step(f.view));
    EXPECT_EQ(f.view.waveFront, 0);
    PageImage after(f.view.pageWidthPx, height);
    PaintView(f.view, after.image);
    for (int32_t y = 0; y < height - 3; ++y)
        EXPECT_EQ(0, std::memcmp(after.image.Row(y), before.image.Row(y), size_t(f.view.pageWidthPx) * 3)) << y;
}

TEST(WaveMode, AForwardJumpOfMoreThanHalfAPageResetsTheFront) {
    ViewFixture f(Prose(12));
    f.view.autoMode = kAutoWave;
    f.view.Relayout();
    f.view.GoToPosition(0, 0);
    for (int i = 0; i < 10; ++i)
        f.view.PlaceLine(f.view.firstUnit->firstLine, f.view.firstUnit->firstLine->y - 1);
    EXPECT_EQ(f.view.waveFront, 10);
    f.view.PlaceLine(f.view.firstUnit->firstLine, f.view.firstUnit->firstLine->y - f.view.pageHeightPx / 2 - 1);
    EXPECT_EQ(f.view.waveFront, 0);
}

}  // namespace
}  // namespace corvalin
