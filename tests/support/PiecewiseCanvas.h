#pragma once

#include <set>

#include "raster/GlyphCanvas.h"

namespace corvalin::test {

// Another canvas's glyphs, made ready piece by piece as the reader's canvas makes a glyph the
// first time: a unit counts as ready after `pieces` PrepareUnit calls in a row for it (asking
// for another unit in between starts it over) or after it has been drawn once.
class PiecewiseCanvas final : public GlyphCanvas {
public:
    PiecewiseCanvas(GlyphCanvas& base, int pieces) : base_(base), pieces_(pieces) {}

    void SetFont(const FontSpec& font) override {
        base_.SetFont(font);
        ready_.clear();
    }
    const FontSpec& Font() const override { return base_.Font(); }
    int Advance(char16_t unit) override { return base_.Advance(unit); }
    int CellHeight() const override { return base_.CellHeight(); }
    int FixedCharWidth() const override { return base_.FixedCharWidth(); }
    int InkOverhang(char16_t unit) override { return base_.InkOverhang(unit); }
    void DrawUnit(PixelImage& image, int x, int y, char16_t unit) override {
        ready_.insert(unit);
        base_.DrawUnit(image, x, y, unit);
    }
    bool PrepareUnit(char16_t unit) override {
        if (ready_.count(unit)) return true;
        if (unit != pendingUnit_) done_ = 0;
        pendingUnit_ = unit;
        ++preparePieces;
        if (++done_ < pieces_) return false;
        ready_.insert(unit);
        return true;
    }
    void DrawCentredText(PixelImage& image, int centreX, int centreY, std::u16string_view text,
                         int cellHeightPx, uint32_t colour, uint32_t background) override {
        base_.DrawCentredText(image, centreX, centreY, text, cellHeightPx, colour, background);
    }

    int preparePieces = 0;  // PrepareUnit calls that did a piece

private:
    GlyphCanvas& base_;
    int pieces_;
    std::set<char16_t> ready_;
    char16_t pendingUnit_ = 0;
    int done_ = 0;
};

}  // namespace corvalin::test
