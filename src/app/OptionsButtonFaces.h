#pragma once

#include <QFont>
#include <QImage>
#include <QString>
#include <QToolButton>
#include <cstdint>

#include "settings/SettingTable.h"

namespace corvalin {

class VEMOptions;

// Whether a caption written on `colour` (0x00BBGGRR) is black rather than white: the colour's
// luminance, by the sRGB weights, against the threshold that splits dark from light swatches.
bool CaptionInBlack(uint32_t colour);

// The lowest 24-bit colour (0x00BBGGRR, counting up from 0) that no pixel of columns
// firstColumn..lastColumn of `glyph` has. The button takes the glyph's bottom-left pixel as
// transparent, so that column is painted in it and no pixel of the face can disappear.
uint32_t FirstUnusedColour(const QImage& glyph, int firstColumn, int lastColumn);

// The face of a colour button: the swatch between the outer columns with the caption in black
// or white at 2 pixels from the left, and the leftmost column in a colour the swatch lacks.
// The rightmost column keeps what `glyph` held.
void PaintColorButton(QImage& glyph, uint32_t colour, const QString& caption, const QFont& captionFont);

// The face of a font button: the sample alphabet in the group's font and colours, drawn at
// (effective anti-aliasing + 1) times its size and reduced to the glyph between its outer
// columns; the leftmost column as for the colour buttons.
void PaintFontButton(QImage& glyph, const VEMOptions& options, FontKind kind);

// A flat button that shows its glyph, the glyph's bottom-left colour being transparent.
class GlyphButton : public QToolButton {
public:
    GlyphButton(const char* name, QSize glyphSize, QWidget* parent);
    QImage& Glyph() { return glyph_; }
    const QImage& Glyph() const { return glyph_; }
    // Shows the glyph as it is now.
    void ShowGlyph();

private:
    QImage glyph_;
};

}  // namespace corvalin
