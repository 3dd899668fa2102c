// Wave mode maps the moving layout onto fixed screen rows: the text below the front stays where
// it was, the text above it is the continuation, and only the front moves.
#include <algorithm>

#include "layout/VEMRenderParag.h"

namespace corvalin {

void VEMRenderParag::UpdateWave(VEMRenderLineObject*& line, int32_t& row) {
    const int32_t dy = row - line->y;  // negative: forward
    const int32_t height = pageHeightPx;
    if (dy < 0) {
        if (-dy > height / 2) {
            waveFront = waveShift = 0;
            return;
        }
        waveFront += -dy;
        if (waveFront >= height) {
            // The part above the front becomes the lower part without moving on screen.
            waveFront -= height;
            row += waveShift;
            waveShift = 0;
        }
        return;
    }
    if (dy == 0) return;
    if (dy > height / 2) {
        waveFront = waveShift = 0;
        return;
    }
    if (waveFront - dy >= 0) {
        waveFront -= dy;
        return;
    }
    // Going back past the top: what the page shows becomes the part above the front, and the
    // text before it comes in below the front, which wraps to the bottom.
    const int32_t front = waveFront;
    waveShift = 0;
    LayoutFrom(line, line->y);
    if (!firstUnit) return;
    line = firstUnit->firstLine;
    row = line->y - dy;
    VEMRenderLineObject* shown = nullptr;
    for (VEMRenderParagObject* unit = firstUnit; unit && !shown; unit = unit->next) {
        if (unit->lastLine->y + unit->lastLine->textTop < -front) continue;
        for (VEMRenderLineObject* l = unit->firstLine; l; l = l->next) {
            if (l->y + l->textTop >= -front) {
                shown = l;
                break;
            }
        }
    }
    if (shown) {
        line = shown;
        row = shown->y + dy;
        const VEMRenderLineObject* above = shown->prev;
        if (!above && shown->unit->prev) above = shown->unit->prev->lastLine;
        if (above) {
            const int32_t gap = std::max(0, above->y + above->textBottom + front);
            row -= gap;
            waveFront = front - gap;
            waveShift = 2 * gap;
        }
    }
    waveFront += height - dy;
}

void VEMRenderParag::RebuildWaveLines() {
    const int32_t height = pageHeightPx;
    waveLines.clear();
    for (VEMRenderParagObject* unit = firstUnit; unit; unit = unit->next) {
        if (unit->lastLine->y + unit->lastLine->textBottom <= 0) continue;
        bool below = false;
        for (VEMRenderLineObject* line = unit->firstLine; line; line = line->next) {
            if (line->y + line->textBottom <= 0) continue;
            if (line->y + line->textTop >= height) {
                below = true;
                break;
            }
            waveLines.push_back({line, kWaveNotPlaced, 0});
        }
        if (below) break;
    }

    size_t split = 0;
    for (; split < waveLines.size(); ++split) {
        VEMRenderScreenLineWave& entry = waveLines[split];
        const VEMRenderLineObject* line = entry.line;
        if (line->y + line->textBottom + waveFront > height ||
            line->y + line->textTop + waveFront + waveShift >= height) {
            // Align the top of this line's text with the top of the page above the front.
            waveShift = std::max(waveShift, height - waveFront - line->y - line->textTop);
            break;
        }
        if (line->y + line->textTop + waveFront >= 0) entry.screenRow = line->y + waveFront;
    }
    waveSplit = split;

    for (size_t i = split; i < waveLines.size(); ++i) {
        VEMRenderScreenLineWave& entry = waveLines[i];
        const VEMRenderLineObject* line = entry.line;
        const int32_t r = line->y + waveFront + waveShift - height;
        if (line->textTop + r < 0) continue;
        if (r > waveFront) break;
        if (line->textBottom + r <= height) entry.screenRow = r;
    }
}

}  // namespace corvalin
