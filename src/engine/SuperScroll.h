#pragma once

#include <array>
#include <cstdint>
#include <functional>

namespace corvalin {

// "Super Scroll": each one-pixel step is shown as n evenly spaced sub-pixel positions, each
// from an off-screen page image drawn with the text raised by a fraction of a pixel. Slot j of
// a step shows the image of `sequence[j]`; slot 0 is the whole-pixel image.
struct SuperScrollSlot {
    int32_t surface = 0;  // which off-screen image
    int32_t phase = 0;    // its coverage phase: the text raised by phase / aaFactor of a pixel
};

struct SuperScrollPhases {
    int32_t count = 1;  // n; 1 means no sub-steps
    std::array<SuperScrollSlot, 4> sequence{};
};

// Level 3: quarters (factor 4), images 0..3 at phases 0..3. Level 2: thirds (factor 3), images
// 0..2. Level 1: halves, images 0 and 1 with factor 2, images 0 and 2 at phases 0 and 2 with
// factor 4. Any other pair has no sub-steps.
SuperScrollPhases SuperScrollPhaseTable(int32_t level, int32_t aaFactor);

// When sub-step j of n is due for a step scheduled at t0 with `period`: t0 + period * j / n, in
// integers (128-bit product, so long periods cannot overflow).
int64_t SubStepDue(int64_t t0, int64_t period, int32_t j, int32_t n);

// The off-screen images as a Super Scroll step uses them.
class PhaseSurfaces {
public:
    virtual ~PhaseSurfaces() = default;
    // The image matches the layout (drawn whole since the last change that was not a step).
    virtual bool SurfaceValid(int32_t surface) const = 0;
    // Draws the image whole at `phase` and marks it valid.
    virtual void DrawSurface(int32_t surface, int32_t phase) = 0;
    // The text one pixel up (the layout only).
    virtual void ShiftLayoutUp() = 0;
    // Brings the image to the screen.
    virtual void ShowSurface(int32_t surface) = 0;
    // Moves the image up one row inside itself and draws its new bottom row at `phase`.
    virtual void ScrollSurfaceUp(int32_t surface, int32_t phase) = 0;
};

// One automatic step with sub-steps: invalid images are drawn whole; the layout moves up a
// pixel; slot 1 (the old position raised by 1/n) is shown at once and image 0 brought to the new
// position; then for j = 1..n-1, at SubStepDue(t0, period, j, n) (`waitUntil` spends the time
// until then on background work), slot j + 1 is shown (slot n being image 0) and image j is
// brought to the new position. At speeds above the limit (period < limitPeriod) the step is shown
// once, whole, right away, and the sub-steps only keep the images current. Returns the number of
// sub-positions shown after the first, n - 1 or 0.
int32_t RunSuperScrollStep(PhaseSurfaces& surfaces, const SuperScrollPhases& phases, int64_t t0,
                           int64_t period, int64_t limitPeriod,
                           const std::function<void(int64_t deadline)>& waitUntil);

}  // namespace corvalin
