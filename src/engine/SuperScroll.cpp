#include "engine/SuperScroll.h"

namespace corvalin {

SuperScrollPhases SuperScrollPhaseTable(int32_t level, int32_t aaFactor) {
    SuperScrollPhases table;
    if (level == 3 && aaFactor == 4) {
        table.count = 4;
        table.sequence = {{{0, 0}, {1, 1}, {2, 2}, {3, 3}}};
    } else if (level == 2 && aaFactor == 3) {
        table.count = 3;
        table.sequence = {{{0, 0}, {1, 1}, {2, 2}, {0, 0}}};
    } else if (level == 1 && aaFactor == 2) {
        table.count = 2;
        table.sequence = {{{0, 0}, {1, 1}, {0, 0}, {0, 0}}};
    } else if (level == 1 && aaFactor == 4) {
        table.count = 2;
        table.sequence = {{{0, 0}, {2, 2}, {0, 0}, {0, 0}}};
    }
    return table;
}

int64_t SubStepDue(int64_t t0, int64_t period, int32_t j, int32_t n) {
    if (n < 1) return t0;
    return t0 + int64_t(__int128(period) * j / n);
}

int32_t RunSuperScrollStep(PhaseSurfaces& surfaces, const SuperScrollPhases& phases, int64_t t0,
                           int64_t period, int64_t limitPeriod,
                           const std::function<void(int64_t deadline)>& waitUntil) {
    const int32_t n = phases.count;
    for (int32_t j = 0; j < n; ++j) {
        const SuperScrollSlot& slot = phases.sequence[size_t(j)];
        if (!surfaces.SurfaceValid(slot.surface)) surfaces.DrawSurface(slot.surface, slot.phase);
    }
    const bool subSteps = period >= limitPeriod;
    surfaces.ShiftLayoutUp();
    // The images still show the old position; raised by 1/n it is the step's first sub-position.
    if (subSteps && n > 1) surfaces.ShowSurface(phases.sequence[1].surface);
    surfaces.ScrollSurfaceUp(phases.sequence[0].surface, phases.sequence[0].phase);
    if (!subSteps || n < 2) surfaces.ShowSurface(phases.sequence[0].surface);
    int32_t shown = 0;
    for (int32_t j = 1; j < n; ++j) {
        waitUntil(SubStepDue(t0, period, j, n));
        if (subSteps) {
            surfaces.ShowSurface(phases.sequence[size_t((j + 1) % n)].surface);
            ++shown;
        }
        surfaces.ScrollSurfaceUp(phases.sequence[size_t(j)].surface, phases.sequence[size_t(j)].phase);
    }
    return shown;
}

}  // namespace corvalin
