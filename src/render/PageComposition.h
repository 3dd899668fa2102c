#pragma once

#include <cstdint>

#include "layout/VEMRenderParag.h"
#include "raster/GlyphCanvas.h"

namespace corvalin {

// What the rasteriser needs to know of a word placed in the view.
WordRaster WordRasterOf(const VEMRenderParag& view, const VEMRenderWordObject& word);

// Counts a finished word on its line, and the line on its unit once all its words are done.
void MarkWordRendered(VEMRenderWordObject& word);

// Produces the word's coverage now. When the background renderer is in the middle of this very
// word it is finished instead; when it is in the middle of another one, that one starts over
// later (both share the glyph scratch).
void RenderWord(VEMRenderParag& view, VEMRenderWordObject& word);

// Composes page rows [rowFrom, rowTo) from the words' coverage with matrix `phase` and copies
// each to `image` at (x0, y0 + row), then draws the end marker when the book's end is in the
// chain and the marker reaches into those rows. With `cropFlag` and the view's crop setting,
// lines cut by the page edges stay out unless the text is moving automatically (not page-down).
void DrawRows(VEMRenderParag& view, PixelImage& image, int32_t x0, bool cropFlag, int32_t phase, int32_t y0,
              int32_t rowFrom, int32_t rowTo);

// Wave mode: rows [rowFrom, rowTo) from the wave list (matrix 0, no crop, no end marker), then
// the front band.
void DrawRowsWave(VEMRenderParag& view, PixelImage& image, int32_t x0, int32_t y0, int32_t rowFrom,
                  int32_t rowTo);

// "THE END", centred half a page below the book's last line, when the final unit is in the
// chain and the marker reaches into page rows [rowFrom, rowTo); drawn at (x0, y0 + row).
void DrawEndMarker(VEMRenderParag& view, PixelImage& image, int32_t x0, int32_t y0, int32_t rowFrom,
                   int32_t rowTo);

// The whole page into `image` (at least pageWidth x pageHeight).
void PaintView(VEMRenderParag& view, PixelImage& image);

}  // namespace corvalin
