#pragma once

#include "raster/GlyphCanvas.h"
#include "raster/VEMMatrix.h"

namespace corvalin {

// Box-filter reduction by f in both directions, as the font preview does with a sample drawn
// at f times its size. dst is meant to be (src width / f) x (src height / f); only the part
// both images cover is written: columns up to min(dst width, src width / f), and every dst row
// that has at least one source row (a partial last band averages the rows that exist).
// Nothing happens for f <= 1.
void DownsampleBitmap(const PixelImage& src, PixelImage& dst, int f);

// The same over matrices of 24-bit (kind 6) or coverage (kind 8) pixels; both must be of the
// same kind, others are left alone.
void DownsampleBitmap(const VEMMatrix& src, VEMMatrix& dst, int f);

}  // namespace corvalin
