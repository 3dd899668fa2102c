#include "app/GaugeGlyphs.h"

#include <QBitmap>
#include <QPainter>
#include <QString>

namespace corvalin {
namespace {

QImage LoadGlyph(const char* name, int width, int height, bool& ok) {
    QImage image(QString(":/gauge/%1.bmp").arg(name));
    if (image.isNull() || image.width() != width || image.height() != height) {
        ok = false;
        // A blank of the right size keeps the layout when a picture is missing.
        QImage blank(width, height, QImage::Format_RGB888);
        blank.fill(Qt::black);
        return blank;
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

QPixmap Mark(const QImage& image) {
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setMask(QBitmap::fromImage(image.createMaskFromColor(qRgb(255, 255, 255), Qt::MaskInColor)));
    return pixmap;
}

}  // namespace

GaugeGlyphs::GaugeGlyphs() {
    bool ok = true;
    for (int d = 0; d < 10; ++d)
        digits_[size_t(d)] =
            LoadGlyph(QString("digit%1").arg(d).toLatin1().constData(), kDigitWidthPx, kGlyphHeightPx, ok);
    point_ = LoadGlyph("point", kPointWidthPx, kGlyphHeightPx, ok);
    percent_ = LoadGlyph("percent", kDigitWidthPx, kGlyphHeightPx, ok);
    colon_ = LoadGlyph("colon", kColonWidthPx, kGlyphHeightPx, ok);
    blank_ = LoadGlyph("blank", kBlankWidthPx, kGlyphHeightPx, ok);
    plus_ = Mark(LoadGlyph("plus", kMarkSizePx, kMarkSizePx, ok));
    minus_ = Mark(LoadGlyph("minus", kMarkSizePx, kMarkSizePx, ok));
    loaded_ = ok;
}

const QImage& GaugeGlyphs::Glyph(char c) const {
    if (c >= '0' && c <= '9') return digits_[size_t(c - '0')];
    switch (c) {
        case '.':
            return point_;
        case '%':
            return percent_;
        case ':':
            return colon_;
        default:
            return blank_;
    }
}

int GaugeGlyphs::TextWidth(std::string_view text) const {
    int width = 0;
    for (char c : text) width += Glyph(c).width();
    return width;
}

QRect GaugeGlyphs::ComposeGlyphs(std::string_view text) {
    const int width = TextWidth(text);
    if (scratch_.width() < width || scratch_.height() < kGlyphHeightPx)
        scratch_ = QImage(std::max(width, scratch_.width()), kGlyphHeightPx, QImage::Format_RGB888);
    QPainter painter(&scratch_);
    int x = 0;
    for (char c : text) {
        const QImage& glyph = Glyph(c);
        painter.drawImage(x, 0, glyph);
        x += glyph.width();
    }
    return QRect(0, 0, width, kGlyphHeightPx);
}

}  // namespace corvalin
