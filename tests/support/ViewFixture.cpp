#include "support/ViewFixture.h"

#include "import/UnicodeSources.h"

namespace corvalin::test {

ViewFixture::ViewFixture(const std::string& text, bool everyLineParagraph, int cellHeightPx) {
    const auto path = BuildBookFromUtf8(dir, text, everyLineParagraph);
    book.Open(path);
    FontSpec font;
    font.family = "Test";
    font.cellHeightPx = cellHeightPx;
    canvas.SetFont(font);
    view.canvas = &canvas;
    view.pageWidthPx = 200;
    view.pageHeightPx = 120;
    view.textColour = 0x102030;
    view.backColour = 0xE0F0FF;
    view.headingColour = 0x0000A5;
    view.firstLetterColour = 0xFFFFFF;
    if (book.IsOpen()) AttachBook(book, view);
}

void ViewFixture::UseCharWidth(int32_t width) {
    view.proportional = false;
    view.kerningSsPx = width - canvas.FixedCharWidth();
}

VEMRenderParagObject* ViewFixture::FormatOnly(int32_t index) {
    view.Relayout();
    view.DeleteAllUnits();
    return view.ConstructUnit(index);
}

VEMRenderParagObject* ViewFixture::Unit(int32_t index) const {
    for (VEMRenderParagObject* unit = view.firstUnit; unit; unit = unit->next)
        if (unit->index == index) return unit;
    return nullptr;
}

std::string ViewFixture::Describe(const VEMRenderParagObject& unit) {
    std::string out;
    for (const VEMRenderLineObject* line = unit.firstLine; line; line = line->next) {
        if (line != unit.firstLine) out += " | ";
        for (const VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
            if (word != line->firstWord) out += " ";
            out += Utf16ToUtf8(word->text) + "@" + std::to_string(word->x);
        }
    }
    return out;
}

PageImage::PageImage(int width, int height) : pixels(size_t(width) * size_t(height) * 3, 0) {
    image = PixelImage{pixels.data(), width, height, width * 3};
}

std::string PageImage::FirstDifference(const PageImage& other) const {
    for (size_t i = 0; i < pixels.size() && i < other.pixels.size(); ++i) {
        if (pixels[i] != other.pixels[i]) {
            const size_t pixel = i / 3;
            return "row " + std::to_string(pixel / size_t(image.width)) + " column " +
                   std::to_string(pixel % size_t(image.width));
        }
    }
    return pixels.size() == other.pixels.size() ? "none" : "sizes differ";
}

}  // namespace corvalin::test
