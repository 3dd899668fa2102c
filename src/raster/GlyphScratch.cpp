#include "raster/GlyphScratch.h"

#include <algorithm>

namespace corvalin {

void GlyphScratch::Resize(int pageWidth, int rowHeight, int fontCellHeight, int aaFactor, bool italic) {
    const int f = std::max(1, aaFactor);
    const int overhang = italic ? (rowHeight + 5) / 3 : 0;
    const int width = std::max(0, pageWidth + overhang) * f;
    const int d = std::max(0, fontCellHeight) + 4 * f;
    const int height = std::max(4, (d + f - 1) / f) * f;
    // Scanlines padded to four bytes, which the platform's image wrappers expect.
    const int stride = (width * 3 + 3) & ~3;

    pixels_.assign(size_t(stride) * size_t(height), 0);
    bitmap_ = PixelImage{pixels_.data(), width, height, stride};
    glyphMatrix_.Free();
    if (width > 0) glyphMatrix_.Attach(bitmap_);
    accumulator_.assign(size_t(width / f + 1) * 3, 0);
}

}  // namespace corvalin
