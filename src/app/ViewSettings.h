#pragma once

namespace corvalin {

class QtGlyphCanvas;
class VEMOptions;
class VEMRenderParag;

// The main window's answer to a change of the view settings: the effective values of the
// font group in use go into the view and its canvas, and the view is laid out again around
// the same reading position.
void ApplyViewSettings(const VEMOptions& options, VEMRenderParag& view, QtGlyphCanvas& canvas);

}  // namespace corvalin
