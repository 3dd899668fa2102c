#include <gtest/gtest.h>

#include "render/BackgroundRenderer.h"
#include "render/PageComposition.h"
#include "support/PiecewiseCanvas.h"
#include "support/ViewFixture.h"

namespace corvalin {
namespace {

using test::PageImage;
using test::ViewFixture;

std::string Paragraphs(int count) {
    std::string text;
    for (int p = 0; p < count; ++p) {
        for (int w = 0; w < 5 + p % 9; ++w) text += "word" + std::to_string(p * 31 + w) + " ";
        text += "\n\n";
    }
    return text;
}

bool AllRendered(const VEMRenderParag& view) {
    for (const VEMRenderParagObject* unit = view.firstUnit; unit; unit = unit->next) {
        if (unit->renderedLines != unit->lineCount) return false;
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next)
                if (!word->rendered) return false;
    }
    return true;
}

TEST(BackgroundRenderer, WithoutABookIsIdleAtOnce) {
    VEMRenderParag view;
    EXPECT_TRUE(BackgroundStep(view, 0));
    EXPECT_TRUE(BackgroundStep(view, 1));
}

TEST(BackgroundRenderer, RendersTheLinesBelowThePageFirst) {
    ViewFixture f(Paragraphs(40));
    f.view.aaFactor = 2;
    f.view.Relayout();
    f.view.GoToPosition(f.view.paragraphs.Entry(12), 0);
    ASSERT_FALSE(f.view.screenLines.empty());
    const VEMRenderLineObject* lastShown = f.view.screenLines.back().line;
    // The first word rendered lies on the last fully shown line or below it, within two pages.
    for (int guard = 0; f.view.renderer.state == 0; ++guard) {
        ASSERT_LT(guard, 100);
        BackgroundStep(f.view, 1);  // one slice at a time
    }
    const VEMRenderLineObject* first = f.view.renderer.currentLine;
    ASSERT_TRUE(first);
    EXPECT_GE(first->y, lastShown->y);
    EXPECT_LE(first->y, 2 * f.view.pageHeightPx);
    // Everything within two pages below comes before anything above the page.
    for (int guard = 0; guard < 100000; ++guard) {
        BackgroundStep(f.view, 1);
        const VEMRenderLineObject* line = f.view.renderer.currentLine;
        if (line && f.view.renderer.state != 0 && line->y + line->textBottom <= 0) break;
    }
    for (const VEMRenderParagObject* unit = f.view.firstUnit; unit; unit = unit->next)
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            if (line->y >= lastShown->y && line->y <= 2 * f.view.pageHeightPx) {
                EXPECT_EQ(line->renderedWords, line->wordCount) << line->y;
            }
}

TEST(BackgroundRenderer, ADeadlineInThePastStillCompletesEveryWord) {
    ViewFixture f(Paragraphs(30));
    f.view.aaFactor = 3;
    f.view.Relayout();
    f.view.GoToPosition(f.view.paragraphs.Entry(10), 0);
    int64_t calls = 0;
    while (!BackgroundStep(f.view, 1)) ASSERT_LT(++calls, 1000000);
    EXPECT_TRUE(AllRendered(f.view));
    // One slice per call: far more calls than words.
    int64_t words = 0;
    for (const VEMRenderParagObject* unit = f.view.firstUnit; unit; unit = unit->next)
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            words += line->wordCount;
    EXPECT_GT(calls, 3 * words);
}

// Words rendered in slices between moves compose to the same page as words rendered at once
// while painting. The sliced side's glyphs take pieces to make, as the reader's do, so moves
// also land in the middle of one.
TEST(BackgroundRenderer, SlicedRenderingGivesTheSamePixels) {
    for (int32_t aa : {1, 4}) {
        ViewFixture sliced(Paragraphs(30));
        ViewFixture direct(Paragraphs(30));
        test::PiecewiseCanvas piecewise(sliced.canvas, 4);
        sliced.view.canvas = &piecewise;
        for (ViewFixture* f : {&sliced, &direct}) {
            f->view.aaFactor = aa;
            FontSpec font = f->canvas.Font();
            font.cellHeightPx = 15 * aa;
            f->canvas.SetFont(font);
            f->view.Relayout();
            f->view.GoToPosition(f->view.paragraphs.Entry(8), 5);
        }
        PageImage a(sliced.view.pageWidthPx, sliced.view.pageHeightPx);
        PageImage b(direct.view.pageWidthPx, direct.view.pageHeightPx);
        for (int move = 0; move < 5; ++move) {
            // A few slices, then the text moves on, leaving a word half done.
            for (int i = 0; i < 7 + move * 13; ++i) BackgroundStep(sliced.view, 1);
            for (ViewFixture* f : {&sliced, &direct}) {
                VEMRenderLineObject* anchor = f->view.firstUnit->firstLine;
                f->view.PlaceLine(anchor, anchor->y - 37);
            }
        }
        while (!BackgroundStep(sliced.view, 0)) {
        }
        EXPECT_GT(piecewise.preparePieces, 0);
        PaintView(sliced.view, a.image);
        PaintView(direct.view, b.image);
        EXPECT_TRUE(a == b) << "factor " << aa << ": " << a.FirstDifference(b);
    }
}

TEST(BackgroundRenderer, EvictedUnitsResetTheRendererAndComeBackRendered) {
    ViewFixture f(Paragraphs(300));
    f.view.Relayout();
    f.view.GoToPosition(f.view.paragraphs.Entry(5), 0);
    for (int guard = 0; f.view.renderer.state == 0 && guard < 100; ++guard) BackgroundStep(f.view, 1);
    ASSERT_TRUE(f.view.rasterizer.Active());  // mid-word
    f.view.GoToPosition(f.view.paragraphs.Entry(250), 0);
    EXPECT_EQ(f.view.renderer.currentLine, nullptr);
    EXPECT_FALSE(f.view.rasterizer.Active());
    while (!BackgroundStep(f.view, 0)) {
    }
    EXPECT_TRUE(AllRendered(f.view));
    f.view.GoToPosition(f.view.paragraphs.Entry(5), 0);
    EXPECT_FALSE(AllRendered(f.view));
    while (!BackgroundStep(f.view, 0)) {
    }
    EXPECT_TRUE(AllRendered(f.view));
}

}  // namespace
}  // namespace corvalin
