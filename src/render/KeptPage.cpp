#include "render/KeptPage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "render/PageComposition.h"

namespace corvalin {

int32_t KeptPage::RingRow(int32_t row) const {
    const int32_t height = image_.height;
    return ((top_ + row) % height + height) % height;
}

void KeptPage::PaintWhole(VEMRenderParag& view) {
    top_ = 0;
    PaintView(view, image_);
}

void KeptPage::ComposeWaveRow(VEMRenderParag& view, int32_t row) {
    DrawRowsWave(view, image_, 0, RingRow(row) - row, row, row + 1);
}

bool KeptPage::Step(VEMRenderParag& view) {
    if (!view.firstUnit || !view.CanAdvance(false) || image_.height < 1) return false;
    const int32_t height = image_.height;
    VEMRenderLineObject* anchor = view.firstUnit->firstLine;
    if (view.autoMode == kAutoWave) {
        const int32_t front = view.waveFront;
        view.PlaceLine(anchor, anchor->y - 1);
        if (view.waveFront == (front + 1) % height && top_ == 0) {
            // The band's old rows get their text back; the band itself is redrawn on the way.
            for (int32_t k = -view.waveBandRows; k <= 0; ++k) {
                const int32_t row = ((front + k) % height + height) % height;
                ComposeWaveRow(view, row);
            }
        } else {
            PaintWhole(view);
        }
        return true;
    }
    view.PlaceLine(anchor, anchor->y - 1);
    top_ = (top_ + 1) % height;
    const int32_t bottom = height - 1;
    const int32_t y0 = RingRow(bottom) - bottom;
    DrawRows(view, image_, 0, true, 0, y0, bottom, height);
    // The marker is one picture: the part that falls past the ring's end wraps to its start.
    DrawEndMarker(view, image_, 0, y0 + (y0 < 0 ? height : -height), bottom, height);
    return true;
}

void KeptPage::Unroll() {
    if (top_ == 0) return;
    const size_t stride = size_t(image_.stride);
    const size_t total = stride * size_t(image_.height);
    std::vector<uint8_t> copy(image_.pixels, image_.pixels + total);
    const size_t split = stride * size_t(top_);
    std::memcpy(image_.pixels, copy.data() + split, total - split);
    std::memcpy(image_.pixels + (total - split), copy.data(), split);
    top_ = 0;
}

}  // namespace corvalin
