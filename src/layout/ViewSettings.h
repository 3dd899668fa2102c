#pragma once

#include <array>
#include <cstdint>
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

// Which "Super Scroll" (0..3) and "Anti Flicker" (0..4) levels can be chosen; level 0
// ("Disabled") always can. The options panel shows them as enabled or disabled buttons.
struct LevelAvailability {
    std::array<bool, 4> superScroll{true, false, false, false};
    std::array<bool, 5> antiFlicker{true, false, false, false, false};
    bool operator==(const LevelAvailability&) const = default;
};

// The levels the off-screen page images allow: `surfaceCount` images (0 without the "Direct X"
// presentation), supersampling factor `aaFactor`, automatic mode `autoMode`. A sub-pixel phase
// needs an image of its own and a factor that divides a pixel into it (halves from 2 or 4,
// thirds from 3, quarters from 4); the Wave mode rewrites the page in place and has no use for
// them. Anti Flicker widens the filter by supersampled rows, so it needs a factor of at least 2
// (levels 3 and 4: 3 and 4) and the images that make its coverage.
LevelAvailability AvailableLevels(int32_t surfaceCount, int32_t aaFactor, int32_t autoMode);

// A chosen level that is no longer available goes back to "Disabled", each change notified as
// the panel's buttons would. Only while the stored values are the effective ones (Priority
// "Quality" or an override): under "Speed" both read as 0 anyway and the choice is kept for
// later. Returns whether a setting changed.
bool FallBackToAvailableLevels(VEMOptions& options, const LevelAvailability& levels);

// The effective values of the font group in use, copied into the view; the view is not laid
// out yet. `surfaceCount` is the number of off-screen page images the "Direct X" presentation
// holds (0 when it holds none): with them the view makes the sub-pixel phases and the Anti
// Flicker filter the settings ask for, as far as AvailableLevels allows. Returns the font its
// canvas must hold. The reader, corvalin-render and the benchmarks all take their layout from
// here.
ReadingFontRequest ApplyViewSettings(const VEMOptions& options, VEMRenderParag& view,
                                     int32_t surfaceCount = 0);

}  // namespace corvalin
