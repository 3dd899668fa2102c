#pragma once

#include "raster/GlyphCanvas.h"

namespace corvalin {

// A small deterministic font for tests and fuzzing, so that layout and rendering can run
// without a windowing system and give the same pixels everywhere.
//
// Every code unit gets a shape from a hash of its value: a 5 x 7 grid of cells (always with a
// left stem) scaled to the glyph box, so different characters have different pixels. The
// advance depends on the unit and grows with the cell height: between 3/8 and 7/8 of it, and
// a quarter of it for the space, which, like the no-break space and the control characters,
// draws nothing (controls advance 0). Bold widens strokes and advances by a sixteenth of the
// cell height (at least one pixel); italic shears the shape to the right by up to a quarter
// of the cell height, overhanging its advance as real italics do. The right double quotation
// mark U+201D is a block in the upper third of the cell that reaches a quarter of the cell
// height past its advance, as closing quotes and brackets do in many real faces. Underline and
// strike-out are one-pixel lines along the advance, blanks included. Pixels are pure colour,
// no anti-aliasing.
class BitmapGlyphCanvas final : public GlyphCanvas {
public:
    BitmapGlyphCanvas();
    explicit BitmapGlyphCanvas(const FontSpec& font);

    void SetFont(const FontSpec& font) override;
    const FontSpec& Font() const override { return font_; }
    int Advance(char16_t unit) override;
    int CellHeight() const override { return font_.cellHeightPx; }
    int FixedCharWidth() const override;
    int InkOverhang(char16_t unit) override;
    void DrawUnit(PixelImage& image, int x, int y, char16_t unit) override;
    void DrawCentredText(PixelImage& image, int centreX, int centreY, std::u16string_view text,
                         int cellHeightPx, uint32_t colour, uint32_t background) override;

    // The same metrics at any cell height, as the end marker needs.
    static int AdvanceAt(char16_t unit, int cellHeight, bool bold);
    static constexpr char16_t kOverhangingUnit = u'\u201D';

private:
    FontSpec font_;
};

}  // namespace corvalin
