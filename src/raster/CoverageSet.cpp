#include "raster/CoverageSet.h"

namespace corvalin {

std::array<bool, kCoveragePhases> RequiredPhases(int aaFactor, int superScrollLevel, bool surfaceActive) {
    std::array<bool, kCoveragePhases> phases{true, false, false, false};
    if (!surfaceActive) return phases;
    const int level = superScrollLevel;
    switch (aaFactor) {
        case 2:
            phases[1] = level >= 1;
            break;
        case 3:
            phases[1] = phases[2] = level >= 2;
            break;
        case 4:
            phases[2] = level == 1 || level >= 3;
            phases[1] = phases[3] = level >= 3;
            break;
        default:
            break;
    }
    return phases;
}

}  // namespace corvalin
