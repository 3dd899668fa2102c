#pragma once

#include <array>
#include <cstdint>

#include "raster/VEMMatrix.h"

namespace corvalin {

inline constexpr int kCoveragePhases = 4;

// A rendered word: its coverage at screen resolution for up to four vertical sub-pixel phases.
// Matrix 0 is the word at its line's own position; matrix p > 0 is the word raised by
// p / aaFactor of a pixel. Each matrix is rows x columns coverage bytes (kind 8) and may be
// used only when its ready byte is set. `screenX` is the page column of the matrices' column 0.
struct CoverageSet {
    std::array<VEMMatrix, kCoveragePhases> matrices;
    std::array<uint8_t, kCoveragePhases> ready{};
    int screenX = 0;

    void Free() {
        for (VEMMatrix& m : matrices) m.Free();
        ready.fill(0);
    }
};

// The phases a word gets. Without the off-screen surface presentation only phase 0; with it,
// by factor and Super Scroll level: f = 2 adds 1 from level 1, f = 3 adds 1 and 2 from level 2,
// f = 4 adds 2 at level 1 and 1, 2, 3 at level 3. Level 2 with f = 4 is a pair the settings
// never keep: it gets phase 0 only.
std::array<bool, kCoveragePhases> RequiredPhases(int aaFactor, int superScrollLevel, bool surfaceActive);

}  // namespace corvalin
