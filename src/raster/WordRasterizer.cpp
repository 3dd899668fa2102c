#include "raster/WordRasterizer.h"

#include <algorithm>
#include <cstring>

#include "raster/BoxFilter.h"
#include "raster/RowCompose.h"

namespace corvalin {

namespace {

int PositiveMod(int64_t value, int f) { return int(((value % f) + f) % f); }

// Sizes a coverage matrix in place when it already holds coverage rows, so a reused set keeps
// its capacity, and clears it.
void SizeCoverage(VEMMatrix& m, int columns, int rows) {
    if (m.HasRows() && m.OwnsRows() && m.Kind() == kMatrixKindCoverage) {
        m.SetColumns(columns);
        m.SetRows(rows);
    } else {
        m.Init(true, kMatrixKindCoverage, columns, rows);
    }
    m.Clear();
}

// How far right of the word's left edge its glyphs' ink reaches, the pen moving as it does
// when the glyphs are drawn. Units past `limit` are not looked at: nothing there would show.
int64_t InkWidth(const WordRaster& input, GlyphCanvas& canvas, int64_t limit) {
    int64_t pen = 0, right = 0;
    for (char16_t unit : input.text) {
        if (pen >= limit) break;
        const int64_t advance = canvas.Advance(unit);
        right = std::max(right, pen + advance + canvas.InkOverhang(unit));
        pen += std::max<int64_t>(
            1, (input.proportional ? advance : input.fixedCharWidth) + int64_t(input.kerning));
    }
    return right;
}

}  // namespace

WordGeometry PlanWord(const WordRaster& input, GlyphCanvas& canvas, const GlyphScratch& scratch) {
    WordGeometry g;
    const int f = std::clamp(input.aaFactor, 1, 4);
    const PixelImage& bitmap = scratch.Bitmap();
    g.phase = PositiveMod(input.x, f);
    g.screenX = (input.x - g.phase) / f;

    // 64-bit: widths and kerning come from settings and book data and are not trusted here.
    int64_t w = std::max(0, input.width);
    if (input.italic) w += int64_t(std::max(0, input.rows)) * f / 3;
    if (input.kerning < 0) w -= int64_t(input.kerning);
    // The word's advances place it; its ink may reach further (a closing quote, an "f").
    w = std::max(w, InkWidth(input, canvas, bitmap.width));
    const int pad = f - PositiveMod(g.phase + w, f);
    const int maxWidth = bitmap.width - bitmap.width % f;
    g.renderWidth = int(std::min<int64_t>(g.phase + w + pad, maxWidth));

    g.rows = std::clamp(input.rows, 0, bitmap.height / f);
    if (g.renderWidth < f) g.rows = 0;
    g.sourceRows = g.rows * f;
    g.columns = g.renderWidth / f;
    return g;
}

void WordRasterizer::Begin(const WordRaster& input, GlyphCanvas& canvas, GlyphScratch& scratch,
                           CoverageSet& out) {
    input_ = input;
    input_.aaFactor = std::clamp(input.aaFactor, 1, 4);
    input_.antiFlickerLevel = std::clamp(input.antiFlickerLevel, 0, 4);
    canvas_ = &canvas;
    scratch_ = &scratch;
    out_ = &out;
    geometry_ = PlanWord(input_, canvas, scratch);
    phases_ = RequiredPhases(input_.aaFactor, input_.superScrollLevel, input_.surfaceActive);
    out.ready.fill(0);
    out.screenX = geometry_.screenX;
    next_ = 0;
    if (geometry_.rows < 1) {
        // A line without text rows (the empty line of a blank source line) shows nothing.
        for (VEMMatrix& m : out.matrices) m.Free();
        Reset();
        return;
    }
    stage_ = Stage::ClearRows;
    AdvanceStage();
}

bool WordRasterizer::Step() {
    if (stage_ == Stage::Idle) return true;
    PixelImage& bitmap = scratch_->Bitmap();
    switch (stage_) {
        case Stage::ClearRows:
            std::memset(bitmap.Row(next_++), 0, size_t(geometry_.renderWidth) * 3);
            break;
        case Stage::DrawGlyphs: {
            const char16_t unit = input_.text[next_];
            // Past the bitmap nothing would show; the pen keeps counting in 64 bits. A glyph the
            // canvas has never drawn takes slices of its own first: drawing one can cost far more
            // than a slice may.
            if (cx_ < bitmap.width) {
                if (!canvas_->PrepareUnit(unit)) break;
                canvas_->DrawUnit(bitmap, int(cx_), 2 * input_.aaFactor, unit);
            }
            ++next_;
            const int64_t advance = input_.proportional ? canvas_->Advance(unit) : input_.fixedCharWidth;
            cx_ += std::max<int64_t>(1, advance + input_.kerning);
            break;
        }
        case Stage::GreyRows:
            GreyRow(bitmap.Row(next_++), geometry_.renderWidth, scratch_->Grey());
            break;
        case Stage::Size:
            SizeMatrices();
            stage_ = Stage::Filter;
            next_ = 0;
            break;
        case Stage::Filter:
            FilterRow(next_++);
            break;
        case Stage::Idle:
            break;
    }
    AdvanceStage();
    return stage_ == Stage::Idle;
}

// Moves past finished stages so that CurrentStage always names the work of the next slice.
void WordRasterizer::AdvanceStage() {
    for (;;) {
        switch (stage_) {
            case Stage::ClearRows:
                if (next_ < geometry_.sourceRows) return;
                stage_ = Stage::DrawGlyphs;
                next_ = 0;
                cx_ = geometry_.phase;
                continue;
            case Stage::DrawGlyphs:
                if (next_ < int(input_.text.size())) return;
                stage_ = Stage::GreyRows;
                next_ = 0;
                continue;
            case Stage::GreyRows:
                if (next_ < geometry_.sourceRows) return;
                stage_ = Stage::Size;
                return;
            case Stage::Size:
                return;
            case Stage::Filter:
                if (next_ < geometry_.rows) return;
                Complete();
                return;
            case Stage::Idle:
                return;
        }
    }
}

void WordRasterizer::Finish() {
    while (!Step()) {
    }
}

void WordRasterizer::Reset() {
    stage_ = Stage::Idle;
    canvas_ = nullptr;
    scratch_ = nullptr;
    out_ = nullptr;
    next_ = 0;
}

void WordRasterizer::SizeMatrices() {
    for (int p = 0; p < kCoveragePhases; ++p) {
        if (phases_[p])
            SizeCoverage(out_->matrices[p], geometry_.columns, geometry_.rows);
        else
            out_->matrices[p].Free();
    }
}

// Output row E of phase p averages the source rows [E*f - af + p, E*f + f + af + p), af being
// the anti-flicker widening (0 without the surface presentation). Rows outside the word's
// source rows are left out of both the sum and the divisor, so the edges are not darkened.
void WordRasterizer::FilterRow(int outputRow) {
    const int f = input_.aaFactor;
    const int columns = geometry_.columns;
    const int sourceRows = geometry_.sourceRows;
    PixelImage& bitmap = scratch_->Bitmap();
    auto& matrices = out_->matrices;

    if (f == 1) {
        std::memcpy(matrices[0].Row(outputRow), bitmap.Row(outputRow), size_t(columns));
        return;
    }

    uint32_t* acc = scratch_->Accumulator();
    std::fill(acc, acc + columns, 0u);
    const int af = input_.surfaceActive ? input_.antiFlickerLevel : 0;
    const int low = outputRow * f - af;
    const int high = outputRow * f + f + af;
    int counted = 0;
    for (int s = std::max(0, low); s < std::min(high, sourceRows); ++s, ++counted)
        AddColumns(bitmap.Row(s), acc, columns, f);

    auto divideInto = [&](VEMMatrix& m) {
        if (counted > 0)
            DivideRow(acc, m.Row(outputRow), columns, counted, f);
        else
            std::memset(m.Row(outputRow), 0, size_t(columns));
    };
    if (phases_[0]) divideInto(matrices[0]);

    int lastPhase = 0;
    for (int p = 1; p < kCoveragePhases; ++p)
        if (phases_[p]) lastPhase = p;
    for (int p = 1; p <= lastPhase; ++p) {
        const int leaving = low + p - 1;
        const int entering = high + p - 1;
        if (leaving >= 0 && leaving < sourceRows) {
            SubColumns(bitmap.Row(leaving), acc, columns, f);
            --counted;
        }
        if (entering >= 0 && entering < sourceRows) {
            AddColumns(bitmap.Row(entering), acc, columns, f);
            ++counted;
        }
        if (phases_[p]) divideInto(matrices[p]);
    }
}

void WordRasterizer::Complete() {
    for (int p = 0; p < kCoveragePhases; ++p) out_->ready[p] = phases_[p] ? 1 : 0;
    Reset();
}

void RasterizeWord(const WordRaster& input, GlyphCanvas& canvas, GlyphScratch& scratch, CoverageSet& out) {
    WordRasterizer rasterizer;
    rasterizer.Begin(input, canvas, scratch, out);
    rasterizer.Finish();
}

}  // namespace corvalin
