#pragma once

#include <cstdint>
#include <vector>

#include "raster/GlyphCanvas.h"
#include "raster/GreyTable.h"
#include "raster/VEMMatrix.h"

namespace corvalin {

// Working memory of word rasterising, owned by the view and resized whenever its layout
// changes: the supersampled glyph bitmap (24-bit, drawn white on black), a 24-bit matrix
// borrowing its scanlines, and the column sums of the box filter.
class GlyphScratch {
public:
    GlyphScratch() = default;
    GlyphScratch(const GlyphScratch&) = delete;
    GlyphScratch& operator=(const GlyphScratch&) = delete;

    // Sizes the bitmap for any word of a line: width (pageWidth + e) x aaFactor, with the
    // italic overhang e = (rowHeight + 5) / 3 screen pixels; height max(4, ceil(d / aaFactor))
    // x aaFactor with d = fontCellHeight + 4 x aaFactor (the glyphs are drawn two screen
    // pixels below the top of the text box). fontCellHeight is already supersampled. The
    // contents are not kept.
    void Resize(int pageWidth, int rowHeight, int fontCellHeight, int aaFactor, bool italic);

    PixelImage& Bitmap() { return bitmap_; }
    const PixelImage& Bitmap() const { return bitmap_; }
    VEMMatrix& GlyphMatrix() { return glyphMatrix_; }
    // One running sum per screen column of the widest word, three per column for 24-bit rows.
    uint32_t* Accumulator() { return accumulator_.data(); }
    int AccumulatorColumns() const { return int(accumulator_.size() / 3); }
    const GreyTable& Grey() const { return grey_; }

private:
    std::vector<uint8_t> pixels_;
    PixelImage bitmap_;
    VEMMatrix glyphMatrix_{false};
    std::vector<uint32_t> accumulator_;
    GreyTable grey_;
};

}  // namespace corvalin
