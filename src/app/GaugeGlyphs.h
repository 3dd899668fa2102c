#pragma once

#include <QImage>
#include <QPixmap>
#include <QRect>
#include <array>
#include <string_view>

namespace corvalin {

// The pictures the tool bar displays write the position and the clock with: digits, a point, a
// percent sign and a colon 28 pixels high, a blank for anything else, and the gauge's plus and
// minus marks. They travel inside the program (resources under ":/gauge/").
class GaugeGlyphs {
public:
    static constexpr int kGlyphHeightPx = 28;
    static constexpr int kDigitWidthPx = 24;
    static constexpr int kPointWidthPx = 12;
    static constexpr int kColonWidthPx = 8;
    static constexpr int kBlankWidthPx = 6;
    static constexpr int kMarkSizePx = 12;

    GaugeGlyphs();

    // False when a picture is missing or of the wrong size (a broken build).
    bool Loaded() const { return loaded_; }
    // The picture for `c`: a digit, ".", "%", ":", otherwise the blank.
    const QImage& Glyph(char c) const;
    // The marks with their white cut out.
    const QPixmap& Plus() const { return plus_; }
    const QPixmap& Minus() const { return minus_; }

    // Draws `text` with the pictures side by side into the scratch picture, which only ever
    // grows, and returns the part that holds it: (0, 0, total width, glyph height).
    QRect ComposeGlyphs(std::string_view text);
    const QImage& Scratch() const { return scratch_; }
    int TextWidth(std::string_view text) const;

private:
    std::array<QImage, 10> digits_;
    QImage point_, percent_, colon_, blank_;
    QPixmap plus_, minus_;
    QImage scratch_;
    bool loaded_ = false;
};

}  // namespace corvalin
