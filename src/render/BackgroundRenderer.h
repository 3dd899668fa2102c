#pragma once

#include <cstdint>

#include "layout/VEMRenderParag.h"

namespace corvalin {

// Steady-clock ticks (nanoseconds) of now, the unit of the renderer's deadline.
int64_t RendererClock();

// Renders words ahead of need in small slices until `deadline` (steady-clock nanoseconds, 0 = no
// limit) has passed; the clock is read only between slices and never before the first, so
// every call makes progress. The words looked at first are the lines below the page (two
// pages), then one page above, then the rest of the chain below and above, then any unit left.
// Returns true when every word of the chain is rendered.
bool BackgroundStep(VEMRenderParag& view, int64_t deadline);

}  // namespace corvalin
