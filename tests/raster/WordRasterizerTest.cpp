#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "raster/BitmapGlyphCanvas.h"
#include "raster/RowCompose.h"
#include "raster/WordRasterizer.h"
#include "render/RenderTestImage.h"
#include "support/PiecewiseCanvas.h"

namespace corvalin {
namespace {

using Stage = WordRasterizer::Stage;

// The view's share of word rendering: a supersampled font, the scratch sized for it and the
// word parameters the formatter would give.
struct WordBench {
    int f;
    BitmapGlyphCanvas canvas;
    GlyphScratch scratch;
    int rowHeight;

    explicit WordBench(int factor, int screenCellHeight = 12, int pageWidth = 160, bool italic = false)
        : f(factor), canvas(FontSpec{"", screenCellHeight * factor, false, italic}) {
        rowHeight = (canvas.CellHeight() + 4 * f) / f;
        scratch.Resize(pageWidth, rowHeight, canvas.CellHeight(), f, italic);
    }

    WordRaster Word(std::u16string_view text, int x) {
        WordRaster w;
        w.text = text;
        w.x = x;
        for (char16_t unit : text) w.width += canvas.Advance(unit);
        w.rows = rowHeight;
        w.aaFactor = f;
        w.italic = canvas.Font().italic;
        w.fixedCharWidth = canvas.FixedCharWidth();
        return w;
    }

    // The first `rows` rows of `columns` bytes of the glyph bitmap after grey conversion.
    std::vector<std::vector<uint8_t>> GreyRows(int rows, int columns) {
        std::vector<std::vector<uint8_t>> grey;
        for (int r = 0; r < rows; ++r) {
            const uint8_t* row = scratch.Bitmap().Row(r);
            grey.emplace_back(row, row + columns);
        }
        return grey;
    }
};

void RunUntil(WordRasterizer& rasterizer, Stage stage) {
    while (rasterizer.Active() && rasterizer.CurrentStage() != stage) rasterizer.Step();
    ASSERT_EQ(rasterizer.CurrentStage(), stage);
}

void SetPixel(PixelImage& image, int x, int y, uint8_t blue, uint8_t green, uint8_t red) {
    uint8_t* p = image.Row(y) + 3 * x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
}

std::vector<uint8_t> MatrixRow(const VEMMatrix& m, int r) { return {m.Row(r), m.Row(r) + m.Columns()}; }

TEST(WordRasterizer, FactorOneCoverageIsTheGreyOfTheGlyphs) {
    WordBench bench(1);
    const WordRaster word = bench.Word(u"Ab", 5);
    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::GreyRows);
    const WordGeometry g = rasterizer.Geometry();
    // A coloured pixel above the glyphs, where only the anti-aliased edge of a platform glyph
    // would put one.
    SetPixel(bench.scratch.Bitmap(), g.renderWidth - 1, 0, 10, 20, 31);
    test::OwnedImage before(g.renderWidth, g.sourceRows);
    for (int r = 0; r < g.sourceRows; ++r)
        std::copy_n(bench.scratch.Bitmap().Row(r), 3 * g.renderWidth, before.image.Row(r));
    rasterizer.Finish();

    const VEMMatrix& m = out.matrices[0];
    ASSERT_EQ(out.ready[0], 1);
    ASSERT_EQ(m.Rows(), bench.rowHeight);
    ASSERT_EQ(m.Columns(), g.renderWidth);
    const GreyTable grey;
    int lit = 0;
    for (int r = 0; r < m.Rows(); ++r)
        for (int k = 0; k < m.Columns(); ++k) {
            const uint8_t* p = before.image.Row(r) + 3 * k;
            ASSERT_EQ(m.Row(r)[k], grey[p[0] + p[1] + p[2]]) << r << "," << k;
            lit += m.Row(r)[k] == 255;
        }
    EXPECT_EQ(m.Row(0)[g.renderWidth - 1], 20);
    EXPECT_GT(lit, 10);

    // Full coverage composes to exactly the text colour, none leaves the background.
    const BlendTable blend;
    constexpr uint32_t kBackground = 0x00C0D0E0, kText = 0x00123456;
    for (int r = 0; r < m.Rows(); ++r) {
        std::vector<uint8_t> row(size_t(m.Columns()) * 3);
        FillRow(row.data(), m.Columns(), kBackground);
        BlendRow(row.data(), m.Row(r), m.Columns(), blend, kText);
        for (int k = 0; k < m.Columns(); ++k) {
            const uint32_t expected = m.Row(r)[k] == 255 ? kText
                                      : m.Row(r)[k] == 0 ? kBackground
                                                         : 0xFFFFFFFF;
            if (expected == 0xFFFFFFFF) continue;
            ASSERT_EQ(row[3 * k], uint8_t(expected >> 16));
            ASSERT_EQ(row[3 * k + 1], uint8_t(expected >> 8));
            ASSERT_EQ(row[3 * k + 2], uint8_t(expected));
        }
    }
}

TEST(WordRasterizer, FactorTwoSingleSampleIsAQuarterCoverage) {
    WordBench bench(2);
    WordRaster word = bench.Word(u"", 0);
    word.width = 6;
    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::GreyRows);
    SetPixel(bench.scratch.Bitmap(), 3, 5, 255, 255, 255);
    rasterizer.Finish();

    const VEMMatrix& m = out.matrices[0];
    ASSERT_EQ(m.Columns(), 4);  // 6 pixels padded past the word to 8
    for (int r = 0; r < m.Rows(); ++r)
        for (int k = 0; k < m.Columns(); ++k)
            EXPECT_EQ(m.Row(r)[k], r == 2 && k == 1 ? 63 : 0) << r << "," << k;
}

TEST(WordRasterizer, WordStartsAtItsPhaseInsideTheScreenAlignedArea) {
    WordBench bench(4);
    const WordRaster word = bench.Word(u"Hm", 13);
    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::GreyRows);
    const WordGeometry g = rasterizer.Geometry();
    EXPECT_EQ(out.screenX, 3);
    EXPECT_EQ(g.phase, 1);
    EXPECT_EQ(g.renderWidth % 4, 0);
    EXPECT_EQ(g.renderWidth, 1 + word.width + (4 - (13 + word.width) % 4));
    const auto lit = test::FindLit(bench.scratch.Bitmap(), g.renderWidth, g.sourceRows);
    EXPECT_EQ(lit.left, 1);
    EXPECT_EQ(lit.top, 2 * 4 + bench.canvas.CellHeight() / 8);  // two screen rows below the box top
    EXPECT_LT(lit.right, g.renderWidth);
    rasterizer.Finish();

    // The same word one phase earlier lands one sample to the left in the same area.
    CoverageSet aligned;
    RasterizeWord(bench.Word(u"Hm", 12), bench.canvas, bench.scratch, aligned);
    EXPECT_EQ(aligned.screenX, 3);
    EXPECT_NE(MatrixRow(aligned.matrices[0], 5), MatrixRow(out.matrices[0], 5));
    // Four samples on, the same pixels one screen column later.
    CoverageSet moved;
    RasterizeWord(bench.Word(u"Hm", 17), bench.canvas, bench.scratch, moved);
    EXPECT_EQ(moved.screenX, 4);
    for (int r = 0; r < bench.rowHeight; ++r)
        EXPECT_EQ(MatrixRow(moved.matrices[0], r), MatrixRow(out.matrices[0], r)) << r;
}

struct AdvanceCase {
    const char* name;
    bool proportional;
    int fixedCharWidth;
    int kerning;
    int secondGlyphAt;  // -1: the bitmap font's space advance plus the kerning
};

void PrintTo(const AdvanceCase& c, std::ostream* os) { *os << c.name; }

class GlyphAdvances : public ::testing::TestWithParam<AdvanceCase> {};

TEST_P(GlyphAdvances, PenMovesByAdvancePlusKerningAtLeastOne) {
    const AdvanceCase& c = GetParam();
    WordBench bench(2);
    WordRaster word = bench.Word(u" W", 0);  // the space draws nothing: W's stem shows the pen
    word.proportional = c.proportional;
    word.fixedCharWidth = c.fixedCharWidth;
    word.kerning = c.kerning;
    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::GreyRows);
    const int expected = c.secondGlyphAt >= 0 ? c.secondGlyphAt : bench.canvas.Advance(u' ') + c.kerning;
    const WordGeometry g = rasterizer.Geometry();
    EXPECT_EQ(test::FindLit(bench.scratch.Bitmap(), g.renderWidth, g.sourceRows).left, expected);
    // Negative kerning widens the area by its size so nothing is lost on the right.
    EXPECT_GT(g.renderWidth, word.width + std::max(0, -c.kerning));
}

INSTANTIATE_TEST_SUITE_P(Render, GlyphAdvances,
                         ::testing::Values(AdvanceCase{"Proportional", true, 0, 0, -1},
                                           AdvanceCase{"ProportionalKerned", true, 0, 3, -1},
                                           AdvanceCase{"ProportionalNegativeKerning", true, 0, -2, -1},
                                           AdvanceCase{"FixedWidth", false, 17, 0, 17},
                                           AdvanceCase{"FixedWidthKerned", false, 17, -5, 12},
                                           AdvanceCase{"KerningNeverStopsThePen", false, 17, -40, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct InkCase {
    const char* name;
    int f;
    bool proportional;
    int kerning;
};

void PrintTo(const InkCase& c, std::ostream* os) { *os << c.name; }

class InkPastTheAdvance : public ::testing::TestWithParam<InkCase> {};

// The closing quote of the test font reaches a quarter of the cell past its advance, as closing
// quotes and brackets do in many real faces: the word's area must hold that ink, though the
// layout measured the word by its advances.
TEST_P(InkPastTheAdvance, ClosingQuoteKeepsItsRightPart) {
    const InkCase& c = GetParam();
    WordBench bench(c.f);
    const std::u16string text = u"ab\u201D";
    WordRaster word = bench.Word(text, 5);
    word.proportional = c.proportional;
    word.kerning = c.kerning;
    const int fixed = bench.canvas.FixedCharWidth();
    word.width = 0;
    int64_t pen = 0, inkRight = 0;
    for (char16_t unit : text) {
        const int step = std::max(1, (c.proportional ? bench.canvas.Advance(unit) : fixed) + c.kerning);
        inkRight = pen + bench.canvas.Advance(unit) + bench.canvas.InkOverhang(unit);
        pen += step;
        word.width += step;
    }
    ASSERT_GT(inkRight, word.width + std::max(0, -c.kerning)) << "the quote's ink passes the measured word";

    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::GreyRows);
    const WordGeometry g = rasterizer.Geometry();
    // Drawn from the phase on: the last ink column lies inside the area and is lit.
    ASSERT_GE(g.renderWidth, g.phase + inkRight);
    const auto lit = test::FindLit(bench.scratch.Bitmap(), g.renderWidth, g.sourceRows);
    EXPECT_EQ(lit.right, g.phase + inkRight - 1);
    rasterizer.Finish();

    // And the coverage keeps it: the screen column holding that ink has coverage.
    const VEMMatrix& m = out.matrices[0];
    const int column = int((g.phase + inkRight - 1) / c.f);
    ASSERT_LT(column, m.Columns());
    int covered = 0;
    for (int r = 0; r < m.Rows(); ++r) covered += m.Row(r)[column] > 0;
    EXPECT_GT(covered, 0);
}

INSTANTIATE_TEST_SUITE_P(Render, InkPastTheAdvance,
                         ::testing::Values(InkCase{"Factor1", 1, true, 0}, InkCase{"Factor4", 4, true, 0},
                                           InkCase{"Kerned", 3, true, 2},
                                           InkCase{"NegativeKerning", 2, true, -1},
                                           InkCase{"FixedWidth", 4, false, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

struct PhaseCase {
    const char* name;
    int f;
    int superScrollLevel;
    int antiFlickerLevel;
    bool surfaceActive;
    std::array<bool, 4> phases;
};

void PrintTo(const PhaseCase& c, std::ostream* os) { *os << c.name; }

class PhaseMatrices : public ::testing::TestWithParam<PhaseCase> {};

// Each matrix p is the box filter over the window of source rows [E*f - af + p,
// E*f + f + af + p) clipped to the word's rows, computed here the slow way.
TEST_P(PhaseMatrices, FilterTheShiftedWindows) {
    const PhaseCase& c = GetParam();
    WordBench bench(c.f, 9, 160, true);
    WordRaster word = bench.Word(u"Wave\u0416", 7);
    word.superScrollLevel = c.superScrollLevel;
    word.antiFlickerLevel = c.antiFlickerLevel;
    word.surfaceActive = c.surfaceActive;
    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::Size);
    const WordGeometry g = rasterizer.Geometry();
    const auto grey = bench.GreyRows(g.sourceRows, g.renderWidth);
    rasterizer.Finish();

    const int af = c.surfaceActive ? c.antiFlickerLevel : 0;
    for (int p = 0; p < kCoveragePhases; ++p) {
        const VEMMatrix& m = out.matrices[p];
        ASSERT_EQ(out.ready[p] != 0, c.phases[p]) << "phase " << p;
        ASSERT_EQ(m.HasRows(), c.phases[p]) << "phase " << p;
        if (!c.phases[p]) continue;
        ASSERT_EQ(m.Rows(), bench.rowHeight);
        ASSERT_EQ(m.Columns(), g.renderWidth / c.f);
        for (int e = 0; e < m.Rows(); ++e)
            for (int k = 0; k < m.Columns(); ++k) {
                uint32_t sum = 0;
                int rows = 0;
                for (int s = e * c.f - af + p; s < e * c.f + c.f + af + p; ++s) {
                    if (s < 0 || s >= g.sourceRows) continue;
                    ++rows;
                    for (int j = 0; j < c.f; ++j) sum += grey[s][k * c.f + j];
                }
                ASSERT_EQ(m.Row(e)[k], sum / (rows * c.f)) << "phase " << p << " row " << e << " col " << k;
            }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Render, PhaseMatrices,
    ::testing::Values(PhaseCase{"F2WithoutSurface", 2, 1, 2, false, {true, false, false, false}},
                      PhaseCase{"F2Level0", 2, 0, 0, true, {true, false, false, false}},
                      PhaseCase{"F2Level1", 2, 1, 0, true, {true, true, false, false}},
                      PhaseCase{"F2Level1AntiFlicker2", 2, 1, 2, true, {true, true, false, false}},
                      PhaseCase{"F3Level1", 3, 1, 0, true, {true, false, false, false}},
                      PhaseCase{"F3Level2AntiFlicker3", 3, 2, 3, true, {true, true, true, false}},
                      PhaseCase{"F3WithoutSurface", 3, 0, 0, false, {true, false, false, false}},
                      PhaseCase{"F4Level1", 4, 1, 1, true, {true, false, true, false}},
                      PhaseCase{"F4Level2KeepsPhase0Only", 4, 2, 0, true, {true, false, false, false}},
                      PhaseCase{"F4Level3AntiFlicker4", 4, 3, 4, true, {true, true, true, true}},
                      PhaseCase{"F4WithoutSurface", 4, 3, 4, false, {true, false, false, false}},
                      PhaseCase{"F1PlainCopy", 1, 3, 0, true, {true, false, false, false}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WordRasterizer, AntiFlickerWindowCountsOnlyTheWordsRows) {
    // A fully white word: a window that counted rows above or below the word as black would
    // fade the first and last rows.
    WordBench bench(2);
    WordRaster word = bench.Word(u"", 0);
    word.width = 10;
    word.surfaceActive = true;
    word.superScrollLevel = 1;
    word.antiFlickerLevel = 2;
    CoverageSet out;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    RunUntil(rasterizer, Stage::GreyRows);
    const WordGeometry g = rasterizer.Geometry();
    for (int r = 0; r < g.sourceRows; ++r)
        for (int x = 0; x < g.renderWidth; ++x) SetPixel(bench.scratch.Bitmap(), x, r, 255, 255, 255);
    rasterizer.Finish();
    for (int p : {0, 1})
        for (int r = 0; r < bench.rowHeight; ++r)
            EXPECT_EQ(MatrixRow(out.matrices[p], r), std::vector<uint8_t>(g.renderWidth / 2, 255))
                << "phase " << p << " row " << r;
}

TEST(WordRasterizer, SlicesAreRowsAndCharactersAndMatchTheWholeWord) {
    WordBench bench(3);
    WordRaster word = bench.Word(u"slice", 4);
    word.surfaceActive = true;
    word.superScrollLevel = 2;
    word.antiFlickerLevel = 1;
    CoverageSet sliced;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, sliced);
    const int sourceRows = bench.rowHeight * 3;
    // Clear and grey per source row, one glyph each, one sizing slice, one filter slice per row.
    const int expectedSlices = sourceRows + 5 + sourceRows + 1 + bench.rowHeight;
    int slices = 1;
    while (!rasterizer.Step()) ++slices;
    EXPECT_EQ(slices, expectedSlices);
    EXPECT_FALSE(rasterizer.Active());
    EXPECT_TRUE(rasterizer.Step());  // nothing left

    CoverageSet whole;
    RasterizeWord(word, bench.canvas, bench.scratch, whole);
    for (int p = 0; p < kCoveragePhases; ++p) {
        EXPECT_EQ(sliced.ready[p], whole.ready[p]);
        for (int r = 0; r < whole.matrices[p].Rows(); ++r)
            EXPECT_EQ(MatrixRow(sliced.matrices[p], r), MatrixRow(whole.matrices[p], r));
    }
}

TEST(WordRasterizer, GlyphsTheCanvasMakesInPiecesTakeSlicesOfTheirOwn) {
    // Each new unit waits for its pieces in place: the pen does not move on without it.
    WordBench bench(3);
    test::PiecewiseCanvas piecewise(bench.canvas, 3);
    const WordRaster word = bench.Word(u"sleeves", 2);
    CoverageSet sliced;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, piecewise, bench.scratch, sliced);
    int slices = 1;
    while (!rasterizer.Step()) ++slices;
    const int sourceRows = bench.rowHeight * 3;
    const int distinctUnits = 4;
    EXPECT_EQ(slices, sourceRows + 7 + sourceRows + 1 + bench.rowHeight + 2 * distinctUnits);
    EXPECT_EQ(piecewise.preparePieces, 3 * distinctUnits);

    CoverageSet whole;
    RasterizeWord(word, bench.canvas, bench.scratch, whole);
    ASSERT_EQ(sliced.ready[0], whole.ready[0]);
    for (int r = 0; r < whole.matrices[0].Rows(); ++r)
        EXPECT_EQ(MatrixRow(sliced.matrices[0], r), MatrixRow(whole.matrices[0], r)) << r;
}

TEST(WordRasterizer, LineWithoutRowsDrawsNothing) {
    WordBench bench(2);
    WordRaster word = bench.Word(u"gone", 4);
    word.rows = 0;
    CoverageSet out;
    out.matrices[0].Init(true, kMatrixKindCoverage, 3, 3);
    out.ready[0] = 1;
    WordRasterizer rasterizer;
    rasterizer.Begin(word, bench.canvas, bench.scratch, out);
    EXPECT_FALSE(rasterizer.Active());
    EXPECT_TRUE(rasterizer.Step());
    EXPECT_EQ(out.ready, (std::array<uint8_t, 4>{0, 0, 0, 0}));
    EXPECT_FALSE(out.matrices[0].HasRows());
}

TEST(WordRasterizer, ReusedSetIsRefilled) {
    WordBench bench(2);
    CoverageSet out;
    RasterizeWord(bench.Word(u"longer words", 0), bench.canvas, bench.scratch, out);
    const WordRaster shortWord = bench.Word(u"ab", 6);
    RasterizeWord(shortWord, bench.canvas, bench.scratch, out);
    CoverageSet fresh;
    RasterizeWord(shortWord, bench.canvas, bench.scratch, fresh);
    ASSERT_EQ(out.matrices[0].Columns(), fresh.matrices[0].Columns());
    for (int r = 0; r < bench.rowHeight; ++r)
        EXPECT_EQ(MatrixRow(out.matrices[0], r), MatrixRow(fresh.matrices[0], r));
}

TEST(WordRasterizer, WordsBeyondTheBitmapAreCutToIt) {
    // A word far wider than the page (an unbreakable run), italic, with negative kerning.
    WordBench bench(4, 10, 50, true);
    WordRaster word = bench.Word(u"Wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww", 3);
    word.kerning = -2;
    CoverageSet out;
    RasterizeWord(word, bench.canvas, bench.scratch, out);
    EXPECT_EQ(out.matrices[0].Columns(), bench.scratch.Bitmap().width / 4);
    EXPECT_EQ(out.matrices[0].Rows(), bench.rowHeight);
}

TEST(WordRasterizer, HostileValuesStayInsideTheScratch) {
    // Values a damaged book or settings file could produce; the sanitizer build checks that
    // nothing is written outside the scratch and the matrices.
    struct Case {
        const char* name;
        int x, width, rows, kerning, fixedCharWidth;
        bool proportional;
    };
    for (const Case& c :
         {Case{"HugeWidth", 5, INT32_MAX, 7, 0, 0, true},
          Case{"MostNegativeKerning", 5, 30, 7, INT32_MIN, 0, false},
          Case{"HugeKerning", 5, 30, 7, INT32_MAX, 0, true}, Case{"NegativeX", -13, 40, 7, 0, 0, true},
          Case{"NegativeWidth", 2, -50, 7, 0, 0, true},
          Case{"RowsBeyondTheBitmap", 0, 40, 100000, 0, 0, true},
          Case{"HugeFixedWidth", 0, 40, 7, 0, INT32_MAX, false}}) {
        WordBench bench(3, 10, 40, true);
        WordRaster word = bench.Word(u"hostile", c.x);
        word.width = c.width;
        word.rows = c.rows;
        word.kerning = c.kerning;
        word.fixedCharWidth = c.fixedCharWidth;
        word.proportional = c.proportional;
        CoverageSet out;
        RasterizeWord(word, bench.canvas, bench.scratch, out);
        const VEMMatrix& m = out.matrices[0];
        EXPECT_LE(m.Columns(), bench.scratch.Bitmap().width / 3) << c.name;
        EXPECT_LE(m.Rows(), bench.scratch.Bitmap().height / 3) << c.name;
        EXPECT_EQ(out.screenX * 3 + ((c.x % 3) + 3) % 3, c.x) << c.name;
    }
}

TEST(GlyphScratch, HoldsAnyWordOfALine) {
    struct Case {
        const char* name;
        int pageWidth, rowHeight, cellHeight, f;
        bool italic;
        int width, height;
    };
    for (const Case& c : {Case{"Plain", 100, 20, 64, 4, false, 400, 20 * 4},
                          Case{"ItalicOverhang", 100, 20, 64, 4, true, (100 + 8) * 4, 80},
                          Case{"CellNotAMultiple", 50, 10, 19, 3, false, 150, 11 * 3},
                          Case{"EmptyFontKeepsFourRows", 50, 4, 0, 1, false, 50, 4}}) {
        GlyphScratch scratch;
        scratch.Resize(c.pageWidth, c.rowHeight, c.cellHeight, c.f, c.italic);
        EXPECT_EQ(scratch.Bitmap().width, c.width) << c.name;
        EXPECT_EQ(scratch.Bitmap().height, c.height) << c.name;
        EXPECT_EQ(scratch.GlyphMatrix().Rows(), c.height) << c.name;
        EXPECT_GE(scratch.AccumulatorColumns(), c.width / c.f) << c.name;
    }
}

}  // namespace
}  // namespace corvalin
