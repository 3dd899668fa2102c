#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "raster/GlyphCanvas.h"

namespace corvalin {

// The reader's glyph canvas: system fonts through Qt Gui, drawn without anti-aliasing because
// the program supersamples and filters the glyphs itself. Needs a QGuiApplication.
//
// Cell height: FontSpec::cellHeightPx is the height of the font cell (ascent + descent). Qt
// sizes fonts by their em, and integer pixel sizes skip some cell heights, so the canvas takes
// the largest pixel size whose ascent + descent does not exceed the asked height and reports
// the asked height as its cell height; a glyph's cell top is at the y given to DrawUnit, with
// the baseline the font's ascent below it, and any spare row lies below the descent.
//
// A family the system lacks resolves through fontconfig to what Qt picks; that family is kept
// and shown by ResolvedFamily.
//
// Glyphs are drawn once per code unit and font into a mask of white runs, which DrawUnit then
// stamps into the image. Qt draws glyphs above 64 pixels as filled outlines rather than from
// its glyph cache, and a supersampled reading font is usually that large: an outline fill costs
// around 100 microseconds, a stamp about one. Drawing at whole pixels makes the stamp exactly
// what Qt would have drawn there.
//
// Making a mask is split for PrepareUnit into bands of rows: Qt draws the glyph clipped to one
// band, which is read into runs and erased again. The drawing area is kept from glyph to glyph
// and is blank between pieces, so no piece clears or allocates a whole area, and dropping a
// half-made mask (asking for another unit) costs nothing.
class QtGlyphCanvas final : public GlyphCanvas {
public:
    // Far above any reading font (92 points at 4x supersampling is about 490 pixels); a larger
    // value from a damaged settings file is cut to it so glyph masks stay small.
    static constexpr int kMaxCellHeightPx = 2048;

    QtGlyphCanvas();
    explicit QtGlyphCanvas(const FontSpec& font);
    ~QtGlyphCanvas() override;

    void SetFont(const FontSpec& font) override;
    const FontSpec& Font() const override { return fontSpec_; }
    int Advance(char16_t unit) override;
    int CellHeight() const override { return fontSpec_.cellHeightPx; }
    int FixedCharWidth() const override { return fixedCharWidth_; }
    int InkOverhang(char16_t unit) override;
    void DrawUnit(PixelImage& image, int x, int y, char16_t unit) override;
    bool PrepareUnit(char16_t unit) override;
    void DrawCentredText(PixelImage& image, int centreX, int centreY, std::u16string_view text,
                         int cellHeightPx, uint32_t colour, uint32_t background) override;

    QString ResolvedFamily() const;
    const QFont& QtFont() const { return font_; }
    // The pixel size chosen for the cell height, and the font's own ascent + descent there.
    int PixelSize() const { return font_.pixelSize(); }
    int FontHeight() const { return fontHeight_; }

    // The font for `fontSpec` with the pixel size whose ascent + descent best fills the cell.
    static QFont MakeFont(const FontSpec& fontSpec, int* fontHeight = nullptr, int* ascent = nullptr);

private:
    static constexpr int kUnmeasured = INT32_MIN;
    struct GlyphRun {
        int16_t dy;  // rows below the cell top (negative above it)
        int16_t dx;  // columns right of the pen (negative left of it)
        int16_t length;
    };
    struct GlyphMask {
        std::vector<GlyphRun> runs;
    };
    // A mask being made: its drawing area and the first row not drawn yet.
    struct PendingMask {
        char16_t unit = 0;
        int width = 0;
        int height = 0;
        int nextRow = 0;
        GlyphMask mask;
    };
    const GlyphMask& MaskOf(char16_t unit);
    // Room around the pen for left bearings, italic overhang and accents above the ascent.
    int MarginX() const { return fontSpec_.cellHeightPx; }
    int MarginY() const { return fontSpec_.cellHeightPx / 2 + 2; }
    void DrawPendingBand();

    FontSpec fontSpec_;
    QFont font_;
    int ascent_ = 0;
    int fontHeight_ = 0;
    int fixedCharWidth_ = 0;
    int widestGlyph_ = 0;            // the font's own maximum width, which sizes the drawing area
    std::vector<int> advances_;      // per code unit, -1 until measured
    std::vector<int> inkOverhangs_;  // per code unit, kUnmeasured until measured
    std::unordered_map<char16_t, GlyphMask> masks_;
    std::optional<PendingMask> pending_;
    struct FreeDeleter {
        void operator()(void* pixels) const { std::free(pixels); }
    };
    // The drawing area over areaPixels_, all zero between pieces.
    std::unique_ptr<uint32_t[], FreeDeleter> areaPixels_;
    QImage area_;
};

}  // namespace corvalin
