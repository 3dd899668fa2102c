#pragma once

#include "layout/ViewSettings.h"
#include "raster/GlyphCanvas.h"

namespace corvalin {

class QtGlyphCanvas;
class VEMOptions;
class VEMRenderParag;

// The reading font as the settings name it, turned into what the glyph canvas draws with: the
// family to draw (DrawingFamilyFor), sized for a 96 dpi screen and multiplied by the
// supersampling factor. When the layout gives every character one advance, the face drawn is
// a monospace one. Needs a QGuiApplication.
FontSpec ReadingFontSpec(const ReadingFontRequest& request);

// The view's settings and its canvas's font from `options`, then the view laid out again
// around the same reading position: what the reader, corvalin-render and the benchmarks share.
// `surfaceCount` is the number of off-screen page images the "Direct X" presentation holds.
void ApplyReadingSettings(const VEMOptions& options, VEMRenderParag& view, QtGlyphCanvas& canvas,
                          int32_t surfaceCount = 0);

}  // namespace corvalin
