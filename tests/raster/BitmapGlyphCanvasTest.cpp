#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "raster/BitmapGlyphCanvas.h"
#include "render/RenderTestImage.h"

namespace corvalin {
namespace {

using test::FindLit;
using test::OwnedImage;

TEST(BitmapGlyphCanvas, AdvancesVaryByCharacterAndScaleWithTheCell) {
    BitmapGlyphCanvas small(FontSpec{"", 16});
    BitmapGlyphCanvas large(FontSpec{"", 64});
    std::set<int> distinct;
    for (char16_t unit = u'a'; unit <= u'z'; ++unit) {
        const int advance = small.Advance(unit);
        distinct.insert(advance);
        EXPECT_GE(advance, 6);
        EXPECT_LE(advance, small.FixedCharWidth());
        EXPECT_GE(large.Advance(unit), 4 * advance - 3) << char(unit);
        EXPECT_LE(large.Advance(unit), 4 * advance + 3) << char(unit);
    }
    EXPECT_GE(distinct.size(), 4u);
    EXPECT_EQ(small.Advance(u' '), 4);
    EXPECT_EQ(small.Advance(u'\n'), 0);
    // The same font twice gives the same metrics: tests and fuzzing replay.
    EXPECT_EQ(BitmapGlyphCanvas(FontSpec{"", 16}).Advance(u'q'), small.Advance(u'q'));
}

TEST(BitmapGlyphCanvas, GlyphsHaveTheirOwnPixelsInsideTheCell) {
    BitmapGlyphCanvas canvas(FontSpec{"", 24});
    std::set<std::vector<uint8_t>> shapes;
    for (char16_t unit : std::u16string(u"AaBbmi.,\u0416\u4E2D")) {
        OwnedImage image(40, 40);
        canvas.DrawUnit(image.image, 5, 6, unit);
        const auto box = FindLit(image.image, 40, 40);
        ASSERT_GE(box.left, 0) << int(unit);
        EXPECT_EQ(box.left, 5);  // every glyph has a stem at its pen position
        EXPECT_LT(box.right, 5 + canvas.Advance(unit));
        EXPECT_GE(box.top, 6);
        EXPECT_LT(box.bottom, 6 + canvas.CellHeight());
        shapes.insert(image.bytes);
    }
    EXPECT_EQ(shapes.size(), 10u);
}

TEST(BitmapGlyphCanvas, BlanksDrawNothing) {
    BitmapGlyphCanvas canvas(FontSpec{"", 24});
    OwnedImage image(40, 40);
    for (char16_t unit : {u' ', u'\u00A0', u'\t', u'\0'}) canvas.DrawUnit(image.image, 3, 3, unit);
    EXPECT_EQ(image.LitCount(), 0);
}

TEST(BitmapGlyphCanvas, BoldWidensAndItalicLeansRight) {
    const FontSpec regularSpec{"", 32};
    BitmapGlyphCanvas regular(regularSpec);
    BitmapGlyphCanvas bold(FontSpec{"", 32, true, false});
    BitmapGlyphCanvas italic(FontSpec{"", 32, false, true});
    EXPECT_EQ(bold.Advance(u'x'), regular.Advance(u'x') + 2);
    EXPECT_EQ(italic.Advance(u'x'), regular.Advance(u'x'));
    EXPECT_GT(bold.FixedCharWidth(), regular.FixedCharWidth());

    OwnedImage plain(80, 40), heavy(80, 40), slanted(80, 40);
    regular.DrawUnit(plain.image, 10, 2, u'x');
    bold.DrawUnit(heavy.image, 10, 2, u'x');
    italic.DrawUnit(slanted.image, 10, 2, u'x');
    EXPECT_GT(heavy.LitCount(), plain.LitCount());
    // Every glyph has a stem at its pen position: upright it is straight, italic it leans right
    // by up to a quarter of the cell at the top.
    auto stemLean = [](const OwnedImage& image) {
        const auto box = FindLit(image.image, 80, 40);
        auto firstLit = [&](int y) {
            for (int x = 0; x < 80; ++x)
                if (image.Lit(x, y)) return x;
            return -1;
        };
        return firstLit(box.top) - firstLit(box.bottom);
    };
    EXPECT_EQ(stemLean(plain), 0);
    EXPECT_GE(stemLean(slanted), 5);
    EXPECT_LE(stemLean(slanted), 8);
}

TEST(BitmapGlyphCanvas, InkOverhangBoundsTheInkAndTheClosingQuoteReachesPastItsAdvance) {
    constexpr char16_t kQuote = BitmapGlyphCanvas::kOverhangingUnit;
    for (const FontSpec& fontSpec : {FontSpec{"", 32}, FontSpec{"", 32, true, false},
                                     FontSpec{"", 32, false, true}, FontSpec{"", 17, true, true}}) {
        BitmapGlyphCanvas canvas(fontSpec);
        for (char16_t unit : std::u16string(u"AfWx)\u201D\u0416")) {
            OwnedImage image(120, 40);
            canvas.DrawUnit(image.image, 10, 2, unit);
            const auto box = FindLit(image.image, 120, 40);
            ASSERT_GE(box.right, 10) << int(unit);
            const int inkRight = box.right + 1 - 10;  // columns right of the pen
            EXPECT_LE(inkRight, canvas.Advance(unit) + canvas.InkOverhang(unit)) << int(unit);
            if (unit == kQuote) {
                EXPECT_EQ(inkRight, canvas.Advance(unit) + canvas.InkOverhang(unit));
            } else if (!fontSpec.italic) {
                EXPECT_LE(inkRight, canvas.Advance(unit)) << int(unit);
            }
        }
        EXPECT_GE(canvas.InkOverhang(kQuote), fontSpec.cellHeightPx / 4 - (fontSpec.bold ? 2 : 0));
    }
}

TEST(BitmapGlyphCanvas, FixedCharWidthIsTheWidestPrintableAsciiAdvance) {
    for (const FontSpec& fontSpec : {FontSpec{"", 16}, FontSpec{"", 64, true, false}}) {
        BitmapGlyphCanvas canvas(fontSpec);
        int widest = 0;
        for (char16_t unit = 0x20; unit <= 0x7E; ++unit) widest = std::max(widest, canvas.Advance(unit));
        EXPECT_EQ(canvas.FixedCharWidth(), widest);
    }
}

TEST(BitmapGlyphCanvas, UnderlineAndStrikeOutSpanTheAdvance) {
    FontSpec fontSpec{"", 32};
    fontSpec.underline = true;
    fontSpec.strikeOut = true;
    BitmapGlyphCanvas canvas(fontSpec);
    OwnedImage image(80, 40);
    canvas.DrawUnit(image.image, 10, 2, u' ');  // the lines are drawn under blanks too
    for (int row : {2 + 16, 2 + 28}) {
        for (int x = 10; x < 10 + canvas.Advance(u' '); ++x)
            EXPECT_TRUE(image.Lit(x, row)) << x << "," << row;
        EXPECT_FALSE(image.Lit(10 + canvas.Advance(u' '), row));
    }
    EXPECT_EQ(image.LitCount(), 2 * canvas.Advance(u' '));
}

TEST(BitmapGlyphCanvas, ClipsAtTheImageEdges) {
    BitmapGlyphCanvas canvas(FontSpec{"", 40});
    OwnedImage image(10, 10);
    canvas.DrawUnit(image.image, -15, -20, u'W');
    canvas.DrawUnit(image.image, 8, 8, u'W');
    canvas.DrawUnit(image.image, 500, 500, u'W');
    EXPECT_GT(image.LitCount(), 0);
}

TEST(BitmapGlyphCanvas, CentredTextSitsOnItsBackground) {
    BitmapGlyphCanvas canvas(FontSpec{"", 16});
    OwnedImage image(300, 120);
    constexpr uint32_t kRed = 0x000000FF, kBlue = 0x00FF0000;
    canvas.DrawCentredText(image.image, 150, 60, u"THE END", 64, kRed, kBlue);
    const auto box = FindLit(image.image, 300, 120);
    int width = 0;
    for (char16_t unit : std::u16string(u"THE END")) width += BitmapGlyphCanvas::AdvanceAt(unit, 64, false);
    EXPECT_EQ(box.right - box.left + 1, width);
    EXPECT_EQ(box.bottom - box.top + 1, 64);
    EXPECT_NEAR((box.left + box.right) / 2.0, 150, 1);
    EXPECT_NEAR((box.top + box.bottom) / 2.0, 60, 1);
    int red = 0;
    for (int y = box.top; y <= box.bottom; ++y)
        for (int x = box.left; x <= box.right; ++x) {
            const uint8_t* p = image.image.Row(y) + 3 * x;
            const bool isRed = p[0] == 0 && p[1] == 0 && p[2] == 255;
            const bool isBlue = p[0] == 255 && p[1] == 0 && p[2] == 0;
            ASSERT_TRUE(isRed || isBlue) << x << "," << y;
            red += isRed;
        }
    EXPECT_GT(red, 100);
}

}  // namespace
}  // namespace corvalin
