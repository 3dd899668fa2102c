#include "nav/PositionShare.h"

#include <algorithm>

#include "layout/VEMRenderParag.h"

namespace corvalin {

int64_t PositionShare(const VEMRenderParag& view, int64_t textStart, int64_t textEnd, int64_t scale) {
    if (scale < 1) return 0;
    if (view.screenLines.empty()) {
        // The text above the page has been read; below it, it has not been reached.
        const bool above = view.firstUnit && view.firstUnit->firstLine && view.firstUnit->firstLine->y < 1;
        return above ? scale : 0;
    }
    const int64_t span = textEnd - textStart;
    if (span < 1) return 0;
    const int64_t done = std::clamp<int64_t>(view.screenLines.front().line->startOffset - textStart, 0, span);
    // Rounded half up in integers; offsets are 32-bit and scale at most a few million, so the
    // product stays far inside 64 bits.
    const int64_t share = (2 * done * scale + span) / (2 * span);
    return std::min(share, scale - 1);
}

}  // namespace corvalin
