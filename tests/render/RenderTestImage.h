#pragma once

#include <cstdint>
#include <vector>

#include "raster/GlyphCanvas.h"

namespace corvalin::test {

// A black 24-bit image with its own memory.
struct OwnedImage {
    std::vector<uint8_t> bytes;
    PixelImage image;

    OwnedImage(int width, int height) : bytes(size_t(width) * 3 * size_t(height), 0) {
        image = PixelImage{bytes.data(), width, height, width * 3};
    }
    bool Lit(int x, int y) const {
        const uint8_t* p = image.Row(y) + 3 * x;
        return p[0] | p[1] | p[2];
    }
    int LitCount() const {
        int n = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) n += Lit(x, y);
        return n;
    }
};

// Columns and rows of a region of a 24-bit image that hold any non-black pixel.
struct LitBox {
    int left = -1, right = -1, top = -1, bottom = -1;  // inclusive; -1 when nothing is lit
};

inline LitBox FindLit(const PixelImage& image, int width, int height) {
    LitBox box;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = image.Row(y) + 3 * x;
            if (!(p[0] | p[1] | p[2])) continue;
            if (box.left < 0 || x < box.left) box.left = x;
            if (x > box.right) box.right = x;
            if (box.top < 0) box.top = y;
            box.bottom = y;
        }
    return box;
}

}  // namespace corvalin::test
