#include "raster/BitmapGlyphCanvas.h"

#include <algorithm>

namespace corvalin {

namespace {

constexpr int kGridColumns = 5;
constexpr int kGridRows = 7;
constexpr uint32_t kWhite = 0x00FFFFFF;

uint64_t Mix(uint64_t v) {  // splitmix64 finaliser: neighbouring units get unrelated shapes
    v += 0x9E3779B97F4A7C15ull;
    v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ull;
    v = (v ^ (v >> 27)) * 0x94D049BB133111EBull;
    return v ^ (v >> 31);
}

bool IsBlank(char16_t unit) { return unit <= 0x20 || unit == 0xA0; }

int BoldExtra(int cellHeight) { return std::max(1, cellHeight / 16); }

int QuoteOverhang(int cellHeight) { return std::max(1, cellHeight / 4); }

// Italic shear of the glyph's top row, the largest of any row.
int MaxShear(int cellHeight) {
    const int top = cellHeight / 8;
    const int bottom = std::max(cellHeight / 8 + 1, cellHeight * 7 / 8);
    return (bottom - 1 - top) / 4;
}

void PutPixel(PixelImage& image, int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    uint8_t* p = image.Row(y) + 3 * x;
    p[0] = uint8_t(colour >> 16);
    p[1] = uint8_t(colour >> 8);
    p[2] = uint8_t(colour);
}

void DrawLines(PixelImage& image, int x, int y, char16_t unit, int cellHeight, const FontSpec& font,
               uint32_t colour) {
    const int advance = BitmapGlyphCanvas::AdvanceAt(unit, cellHeight, font.bold);
    for (int dx = 0; dx < advance; ++dx) {
        if (font.underline) PutPixel(image, x + dx, y + cellHeight * 7 / 8, colour);
        if (font.strikeOut) PutPixel(image, x + dx, y + cellHeight / 2, colour);
    }
}

void DrawGlyph(PixelImage& image, int x, int y, char16_t unit, int cellHeight, const FontSpec& font,
               uint32_t colour) {
    if (cellHeight < 1) return;
    DrawLines(image, x, y, unit, cellHeight, font, colour);
    if (IsBlank(unit)) return;
    const bool bold = font.bold, italic = font.italic;
    const uint64_t bits = Mix(unit);
    const int advance = BitmapGlyphCanvas::AdvanceAt(unit, cellHeight, false);
    const int boxWidth = std::max(1, advance - std::max(1, advance / 6));
    const int top = y + cellHeight / 8;
    const int bottom = y + std::max(cellHeight / 8 + 1, cellHeight * 7 / 8);
    const int boxHeight = bottom - top;
    const int stemWidth = std::max(1, boxWidth / kGridColumns);
    const int stroke = bold ? 2 : 1;

    if (unit == BitmapGlyphCanvas::kOverhangingUnit) {
        // Ink from the middle of the advance to a quarter of the cell height past it.
        const int right = advance + QuoteOverhang(cellHeight);
        for (int py = top; py < top + std::max(1, boxHeight / 3); ++py) {
            const int shear = italic ? (bottom - 1 - py) / 4 : 0;
            for (int dx = advance / 2; dx < right; ++dx)
                for (int s = 0; s < stroke; ++s) PutPixel(image, x + dx + shear + s, py, colour);
        }
        return;
    }
    for (int py = top; py < bottom; ++py) {
        const int gridRow = (py - top) * kGridRows / boxHeight;
        const int shear = italic ? (bottom - 1 - py) / 4 : 0;
        for (int dx = 0; dx < boxWidth; ++dx) {
            const int gridColumn = dx * kGridColumns / boxWidth;
            const bool on = dx < stemWidth || ((bits >> (gridRow * kGridColumns + gridColumn)) & 1);
            if (!on) continue;
            for (int s = 0; s < stroke; ++s) PutPixel(image, x + dx + shear + s, py, colour);
        }
    }
}

}  // namespace

BitmapGlyphCanvas::BitmapGlyphCanvas() = default;

BitmapGlyphCanvas::BitmapGlyphCanvas(const FontSpec& font) { SetFont(font); }

void BitmapGlyphCanvas::SetFont(const FontSpec& font) {
    font_ = font;
    font_.cellHeightPx = std::max(1, font.cellHeightPx);
}

int BitmapGlyphCanvas::AdvanceAt(char16_t unit, int cellHeight, bool bold) {
    if (unit < 0x20) return 0;
    cellHeight = std::max(1, cellHeight);
    const int extra = bold ? BoldExtra(cellHeight) : 0;
    if (IsBlank(unit)) return std::max(1, cellHeight / 4) + extra;
    const int eighths = 3 + int(Mix(unit) >> 61) % 5;  // 3/8 .. 7/8 of the cell height
    return std::max(1, cellHeight * eighths / 8) + extra;
}

int BitmapGlyphCanvas::Advance(char16_t unit) { return AdvanceAt(unit, font_.cellHeightPx, font_.bold); }

int BitmapGlyphCanvas::FixedCharWidth() const {
    int widest = 1;
    for (char16_t unit = 0x20; unit <= 0x7E; ++unit)
        widest = std::max(widest, AdvanceAt(unit, font_.cellHeightPx, font_.bold));
    return widest;
}

// The right edge of the box the shape is drawn in, which the ink may or may not reach.
int BitmapGlyphCanvas::InkOverhang(char16_t unit) {
    const int h = font_.cellHeightPx;
    if (IsBlank(unit)) return 0;
    const int plain = AdvanceAt(unit, h, false);
    const int right =
        unit == kOverhangingUnit ? plain + QuoteOverhang(h) : std::max(1, plain - std::max(1, plain / 6));
    const int ink = right + (font_.italic ? MaxShear(h) : 0) + (font_.bold ? 1 : 0);
    return ink - Advance(unit);
}

void BitmapGlyphCanvas::DrawUnit(PixelImage& image, int x, int y, char16_t unit) {
    DrawGlyph(image, x, y, unit, font_.cellHeightPx, font_, kWhite);
}

void BitmapGlyphCanvas::DrawCentredText(PixelImage& image, int centreX, int centreY, std::u16string_view text,
                                        int cellHeightPx, uint32_t colour, uint32_t background) {
    const int height = std::max(1, cellHeightPx);
    int width = 0;
    for (char16_t unit : text) width += AdvanceAt(unit, height, font_.bold);
    const int left = centreX - width / 2;
    const int top = centreY - height / 2;
    for (int py = top; py < top + height; ++py)
        for (int px = left; px < left + width; ++px) PutPixel(image, px, py, background);
    int x = left;
    for (char16_t unit : text) {
        DrawGlyph(image, x, top, unit, height, font_, colour);
        x += AdvanceAt(unit, height, font_.bold);
    }
}

}  // namespace corvalin
