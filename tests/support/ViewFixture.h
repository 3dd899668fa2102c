#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "books/BookDocument.h"
#include "layout/BookView.h"
#include "layout/VEMRenderParag.h"
#include "raster/BitmapGlyphCanvas.h"
#include "support/TestSupport.h"

namespace corvalin::test {

// A real book built from text, opened and shown in a reading view over the bitmap test font.
// Settings are set on `view` and take effect with Relayout().
struct ViewFixture {
    TempDir dir;
    BookDocument book;
    BitmapGlyphCanvas canvas;
    VEMRenderParag view;

    explicit ViewFixture(const std::string& text, bool everyLineParagraph = false, int cellHeightPx = 16);

    // Every character (and the space) `width` supersampled pixels wide, through the fixed-width
    // mode and the kerning.
    void UseCharWidth(int32_t width);
    // Formats unit `index` alone, as the view makes it.
    VEMRenderParagObject* FormatOnly(int32_t index);
    // The unit of the chain with that index, or null.
    VEMRenderParagObject* Unit(int32_t index) const;

    // "text@x" per word, words of a line separated by spaces, lines by " | ".
    static std::string Describe(const VEMRenderParagObject& unit);
};

// A 24-bit picture of a page.
struct PageImage {
    std::vector<uint8_t> pixels;
    PixelImage image;
    PageImage(int width, int height);
    PageImage(const PageImage& other) : pixels(other.pixels), image(other.image) {
        image.pixels = pixels.data();
    }
    PageImage& operator=(const PageImage&) = delete;
    bool operator==(const PageImage& other) const { return pixels == other.pixels; }
    // Where two pictures first differ, for failure messages.
    std::string FirstDifference(const PageImage& other) const;
};

}  // namespace corvalin::test
