#pragma once

#include <cstdint>

#include "layout/VEMRenderParag.h"
#include "raster/GlyphCanvas.h"

namespace corvalin {

// The page picture kept between automatic one-pixel steps, as a screen keeps it: a step moves
// the text up a pixel and composes only what that uncovers (in Wave mode, the rows the front
// leaves and enters). The rows are kept as a ring, so moving the picture costs nothing; Unroll()
// puts them back in page order. Borrows the image, which must hold pageWidth x pageHeight.
class KeptPage {
public:
    explicit KeptPage(PixelImage image) : image_(image) {}

    void PaintWhole(VEMRenderParag& view);
    // One step forward; false (and nothing done) when the book's end has left the page.
    bool Step(VEMRenderParag& view);
    void Unroll();

    int32_t TopRow() const { return top_; }

private:
    // The image row that holds page row `row`.
    int32_t RingRow(int32_t row) const;
    void ComposeWaveRow(VEMRenderParag& view, int32_t row);

    PixelImage image_;
    int32_t top_ = 0;  // image row of page row 0
};

}  // namespace corvalin
