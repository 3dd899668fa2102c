#pragma once

#include <string>

#include "render/GlyphCanvas.h"

namespace corvalin {

// The reading font as the settings name it, turned into what the glyph canvas draws with: the
// family to draw (DrawingFamilyFor), sized for a 96 dpi screen and multiplied by the
// supersampling factor. Needs a QGuiApplication.
struct ReadingFontRequest {
    std::string family;
    int points = 12;
    int aaFactor = 1;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    // The layout gives every character one advance, so the face drawn must be monospace.
    bool fixedWidth = false;
};

FontSpec ReadingFontSpec(const ReadingFontRequest& request);

}  // namespace corvalin
