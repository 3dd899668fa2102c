#pragma once

#include <cstdint>
#include <string_view>

#include "raster/CoverageSet.h"
#include "raster/GlyphCanvas.h"
#include "raster/GlyphScratch.h"

namespace corvalin {

// What rasterising one word needs to know. Horizontal values are supersampled pixels,
// `rows` is in screen rows (the line's textBottom - textTop).
struct WordRaster {
    std::u16string_view text;  // must stay alive until the word is finished
    int x = 0;                 // the word's left edge in the page
    int width = 0;             // the width the formatter measured
    int rows = 0;
    int aaFactor = 1;
    bool italic = false;
    int kerning = 0;  // added to every advance
    bool proportional = true;
    int fixedCharWidth = 0;  // the advance of every character when not proportional
    bool surfaceActive = false;
    int superScrollLevel = 0;  // 0..3
    int antiFlickerLevel = 0;  // 0..4, extra source rows above and below each filter window
};

// Where a word lands: its supersampled render area starts `phase` columns before the word so
// that the area begins on a screen column. All values follow from WordRaster, the canvas's
// metrics and the scratch size.
struct WordGeometry {
    int phase = 0;        // x mod aaFactor
    int renderWidth = 0;  // G: phase + widened width + padding, a multiple of aaFactor
    int screenX = 0;      // (x - phase) / aaFactor
    int rows = 0;         // R, screen rows of the coverage matrices
    int sourceRows = 0;   // R x aaFactor, rows of the glyph bitmap in use
    int columns = 0;      // G / aaFactor, columns of the coverage matrices
};

// The width is widened by R x f / 3 for the italic overhang and by |kerning| when kerning is
// negative, and further when the ink of a glyph reaches past that (GlyphCanvas::InkOverhang,
// with the pen moving as in drawing), then padded to the next multiple of f past the word (a
// full f when already aligned). A word larger than the scratch bitmap is cut to it: columns
// beyond the bitmap lie beyond the page anyway. The wider area may overlap the next word;
// composing blends coverage, and coverage 0 leaves what is there.
WordGeometry PlanWord(const WordRaster& input, GlyphCanvas& canvas, const GlyphScratch& scratch);

// Rasterises one word into coverage matrices in slices, so that a background renderer can
// stop between any two and go on later with the same object:
//
//   Begin      plan the geometry (no pixel work); a word without rows is finished at once
//   ClearRows  one supersampled row of the glyph bitmap cleared to black per slice
//   DrawGlyphs one code unit drawn in white per slice, at (cx, 2 x f), cx from the phase on,
//              advancing by max(1, advance + kerning); a unit the canvas is not ready to draw
//              cheaply (GlyphCanvas::PrepareUnit) first takes one slice per preparation piece
//   GreyRows   one supersampled row turned into coverage bytes per slice
//   Size       the required matrices sized (R x G / f) and cleared, one slice
//   Filter     one output row of every required matrix per slice: a copy for factor 1, else
//              the box filter over the row's window of source rows (widened by the
//              anti-flicker level with the surface presentation; phases reuse the running
//              column sums, one row out and one row in per phase)
//
// When the last slice is done the ready bytes are set and Step returns true. The canvas must
// hold the view font (supersampled) for the whole word. The canvas, scratch, output and the
// input's text must outlive the word's rasterising; if any of them goes away in between,
// call Reset. Nothing else may draw into the scratch between Begin and the last slice.
class WordRasterizer {
public:
    enum class Stage { Idle, ClearRows, DrawGlyphs, GreyRows, Size, Filter };

    void Begin(const WordRaster& input, GlyphCanvas& canvas, GlyphScratch& scratch, CoverageSet& out);
    // Does one slice. Returns true when the word is finished (also when nothing was begun).
    bool Step();
    // Runs the remaining slices without pause.
    void Finish();
    void Reset();

    // The stage the next slice belongs to (Idle when the word is finished).
    Stage CurrentStage() const { return stage_; }
    bool Active() const { return stage_ != Stage::Idle; }
    const WordGeometry& Geometry() const { return geometry_; }
    // The coverage set being filled, or null when idle.
    const CoverageSet* Output() const { return out_; }

private:
    void AdvanceStage();
    void SizeMatrices();
    void FilterRow(int outputRow);
    void Complete();

    WordRaster input_;
    WordGeometry geometry_;
    GlyphCanvas* canvas_ = nullptr;
    GlyphScratch* scratch_ = nullptr;
    CoverageSet* out_ = nullptr;
    std::array<bool, kCoveragePhases> phases_{};
    Stage stage_ = Stage::Idle;
    int next_ = 0;    // row or code unit the current stage does next
    int64_t cx_ = 0;  // pen position while drawing glyphs
};

// The synchronous form: the whole word at once.
void RasterizeWord(const WordRaster& input, GlyphCanvas& canvas, GlyphScratch& scratch, CoverageSet& out);

}  // namespace corvalin
