#include "raster/RowCompose.h"

#include <algorithm>
#include <cstring>

namespace corvalin {

void FillRow(uint8_t* row, int n, uint32_t colour) {
    if (n <= 0) return;
    row[0] = uint8_t(colour >> 16);
    row[1] = uint8_t(colour >> 8);
    row[2] = uint8_t(colour);
    // Doubling copies: a 1920-pixel row is filled in a dozen memcpy calls.
    const size_t total = size_t(n) * 3;
    size_t done = 3;
    while (done < total) {
        const size_t chunk = std::min(done, total - done);
        std::memcpy(row + done, row, chunk);
        done += chunk;
    }
}

void BlendRow(uint8_t* dst, const uint8_t* coverage, int n, const BlendTable& table, uint32_t colour) {
    const uint8_t colourBytes[3] = {uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
    // Eight pixels of the colour, for runs of full coverage inside strokes.
    uint8_t solid[24];
    for (int i = 0; i < 24; ++i) solid[i] = colourBytes[i % 3];
    const int32_t* entries = table.Data();
    // The table row for d = colour - c is (colour - c + 255) << 8, that is
    // ((colour + 255) << 8) - (c << 8): one subtraction per channel, no multiplication.
    const int bases[3] = {(colourBytes[0] + 255) << 8, (colourBytes[1] + 255) << 8,
                          (colourBytes[2] + 255) << 8};

    auto blendPixel = [&](int k) {
        const int a = coverage[k];
        uint8_t* p = dst + 3 * k;
        if (a == 255) {
            p[0] = colourBytes[0];
            p[1] = colourBytes[1];
            p[2] = colourBytes[2];
        } else if (a != 0) {
            p[0] = uint8_t(p[0] + (entries[(bases[0] - (int(p[0]) << 8)) | a] >> 8));
            p[1] = uint8_t(p[1] + (entries[(bases[1] - (int(p[1]) << 8)) | a] >> 8));
            p[2] = uint8_t(p[2] + (entries[(bases[2] - (int(p[2]) << 8)) | a] >> 8));
        }
    };

    // Coverage rows are mostly empty between strokes and words, and full inside thick strokes:
    // both are decided eight pixels at a time.
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t eight;
        std::memcpy(&eight, coverage + k, 8);
        if (eight == 0) continue;
        if (eight == ~uint64_t(0)) {
            std::memcpy(dst + 3 * k, solid, sizeof solid);
            continue;
        }
        for (int j = 0; j < 8; ++j) blendPixel(k + j);
    }
    for (; k < n; ++k) blendPixel(k);
}

void GreyRow(uint8_t* row, int n, const GreyTable& table) {
    // Reading pixel k at 3k and writing byte k never overwrites a pixel not yet read.
    for (int k = 0; k < n; ++k) {
        const uint8_t* p = row + 3 * k;
        row[k] = table[p[0] + p[1] + p[2]];
    }
}

}  // namespace corvalin
