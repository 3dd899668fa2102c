#pragma once

#include <string>

namespace corvalin {

class VEMOptions;
class VEMRenderParag;

// The reading font as the settings name it. The platform turns it into what a glyph canvas
// draws with (sized for a 96 dpi screen, multiplied by the supersampling factor).
struct ReadingFontRequest {
    std::string family;
    int points = 12;
    int aaFactor = 1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    // The layout gives every character the same advance: the font's fixed character width.
    bool fixedWidth = false;
};

// The effective values of the font group in use, copied into the view; the view is not laid
// out yet. Returns the font its canvas must hold. The reader, corvalin-render and the
// benchmarks all take their layout from here.
ReadingFontRequest ApplyViewSettings(const VEMOptions& options, VEMRenderParag& view);

}  // namespace corvalin
