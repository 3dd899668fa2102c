#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvalin {

// A 24-bit image the program draws into: rows of blue, green, red bytes. Borrowed memory.
struct PixelImage {
    uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;  // bytes per row
    uint8_t* Row(int y) const { return pixels + int64_t(y) * stride; }
};

struct FontSpec {
    std::string family;
    int cellHeightPx = 16;  // font cell height in pixels, already multiplied by the supersampling factor
    bool bold = false;
    bool italic = false;
    // Drawn by the font itself along each character's advance, as any other part of the glyph.
    bool underline = false;
    bool strikeOut = false;
};

// The platform text interface the layout and the glyph drawing use: advances of single
// characters in one font, and drawing one character at a time. The reader's implementation
// sits on Qt Gui (platform/qt/QtGlyphCanvas); tests use a small deterministic bitmap font.
class GlyphCanvas {
public:
    virtual ~GlyphCanvas() = default;

    virtual void SetFont(const FontSpec& font) = 0;
    virtual const FontSpec& Font() const = 0;
    // Advance width of one code unit in the current font, in pixels of that font.
    virtual int Advance(char16_t unit) = 0;
    virtual int CellHeight() const = 0;
    // The advance the fixed-width layout gives every character: what a monospace font gives
    // each of its characters, taken as the largest advance over printable ASCII. Never the
    // widest glyph box of the font, which for fonts with a few wide symbols is several times
    // the advance and would set the letters far apart.
    virtual int FixedCharWidth() const = 0;
    // How far the unit's ink reaches right of its advance, in pixels of the current font (zero
    // or less when the glyph ends within it). Italics, closing quotes and brackets, or an
    // italic "f" reach past; a word's image is made wide enough for that ink, while the layout
    // keeps placing words by their advances.
    virtual int InkOverhang(char16_t unit) = 0;

    // Draws one code unit in white, without anti-aliasing, with the top of its cell at
    // (x, y), over whatever the image holds (transparent text background). Pixels outside the
    // image are clipped.
    virtual void DrawUnit(PixelImage& image, int x, int y, char16_t unit) = 0;

    // Does one short piece of the work DrawUnit(unit) would otherwise do at once the first time
    // (a canvas may draw each glyph once and keep it); true once DrawUnit(unit) costs no more
    // than a stamp. The background renderer calls it until then, so that no single slice of its
    // work takes long. Preparing or drawing another unit may drop what was half done.
    virtual bool PrepareUnit(char16_t unit) {
        (void)unit;
        return true;
    }

    // Draws a short text in `colour` (0x00BBGGRR) on `background` in the current font family
    // with the given cell height, centred on (centreX, centreY); for the end marker.
    virtual void DrawCentredText(PixelImage& image, int centreX, int centreY, std::u16string_view text,
                                 int cellHeightPx, uint32_t colour, uint32_t background) = 0;
};

}  // namespace corvalin
