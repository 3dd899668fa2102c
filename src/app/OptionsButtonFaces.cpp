#include "app/OptionsButtonFaces.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <algorithm>
#include <vector>

#include "platform/qt/FontFamilies.h"
#include "raster/DownsampleBitmap.h"
#include "raster/GlyphCanvas.h"
#include "settings/VEMOptions.h"

namespace corvalin {
namespace {

constexpr int kCaptionLeftPx = 2;
constexpr double kPointsToPixels = 96.0 / 72.0;
constexpr const char16_t* kSample = u"AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz";

QColor ColourOf(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

uint32_t ValueOf(QRgb rgb) {
    return uint32_t(qRed(rgb)) | uint32_t(qGreen(rgb)) << 8 | uint32_t(qBlue(rgb)) << 16;
}

void PaintColumn(QImage& glyph, int x, uint32_t colour) {
    const QColor c = ColourOf(colour);
    for (int y = 0; y < glyph.height(); ++y) glyph.setPixelColor(x, y, c);
}

}  // namespace

bool CaptionInBlack(uint32_t colour) {
    const double r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return 0.2122249 * r + 0.71551272 * g + 0.07226238 * b >= 136.8418077;
}

uint32_t FirstUnusedColour(const QImage& glyph, int firstColumn, int lastColumn) {
    std::vector<uint32_t> used;
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = std::max(0, firstColumn); x <= std::min(lastColumn, glyph.width() - 1); ++x)
            used.push_back(ValueOf(glyph.pixel(x, y)));
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    uint32_t candidate = 0;
    for (uint32_t value : used) {
        if (value != candidate) break;
        ++candidate;
    }
    return candidate;
}

void PaintColorButton(QImage& glyph, uint32_t colour, const QString& caption, const QFont& captionFont) {
    if (glyph.width() < 3 || glyph.height() < 1) return;
    const int last = glyph.width() - 2;
    {
        QPainter painter(&glyph);
        painter.fillRect(QRect(1, 0, last, glyph.height()), ColourOf(colour));
        painter.setClipRect(QRect(1, 0, last, glyph.height()));
        QFont font = captionFont;
        // Pure black or white pixels, as the caption is read against the swatch.
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        painter.setPen(CaptionInBlack(colour) ? Qt::black : Qt::white);
        painter.drawText(QRect(kCaptionLeftPx, 0, glyph.width() - kCaptionLeftPx, glyph.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, caption);
    }
    PaintColumn(glyph, 0, FirstUnusedColour(glyph, 1, last));
}

void PaintFontButton(QImage& glyph, const VEMOptions& options, FontKind kind) {
    if (glyph.width() < 3 || glyph.height() < 1) return;
    const int f = std::clamp(options.Effective(Setting::Antialiasing) + 1, 1, 4);
    const FontDescription description = options.FontOf(int(kind));
    QFont font(QString::fromStdString(DrawingFamilyFor(description.name, kind == FontKind::Fixed)));
    font.setPixelSize(std::max(1, int(description.size * f * kPointsToPixels + 0.5)));
    font.setBold(description.bold);
    font.setItalic(description.italic);
    font.setUnderline(description.underline);
    font.setStrikeOut(description.strikeOut);
    font.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(font);

    const int width = f * (glyph.width() - 2);
    const int height = (metrics.height() + f - 1) / f * f;
    QImage big(width, height, QImage::Format_RGB888);
    const uint32_t back = uint32_t(options.Get(FontSetting(kind, Setting::PropBackColor)));
    big.fill(ColourOf(back));
    {
        QPainter painter(&big);
        painter.setFont(font);
        const int kerning = options.Get(FontSetting(kind, Setting::PropKerning));
        const QString sample = QString::fromUtf16(kSample);
        int pen = 0;
        for (int i = 0; i < sample.size() && pen < width; ++i) {
            Setting colour = Setting::PropTextColor;
            if (i == 0)
                colour = Setting::PropFirstLetterColor;
            else if (pen * 5 <= width * 2)
                colour = Setting::PropHeadingColor;
            painter.setPen(ColourOf(uint32_t(options.Get(FontSetting(kind, colour)))));
            painter.drawText(pen, metrics.ascent(), QString(sample[i]));
            const int advance = kind == FontKind::Proportional ? metrics.horizontalAdvance(sample[i])
                                                               : metrics.averageCharWidth();
            pen += std::max(1, advance + kerning);
        }
    }

    // The reduced sample lies between the outer columns, centred on the glyph's height: a
    // sample taller than the glyph shows its middle band, where the letters' bodies are.
    const int reducedHeight = height / f;
    QImage reduced(glyph.width() - 2, reducedHeight, QImage::Format_RGB888);
    if (f == 1) {
        reduced = big.copy(0, 0, reduced.width(), reduced.height());
    } else {
        const PixelImage source{big.bits(), big.width(), big.height(), int(big.bytesPerLine())};
        PixelImage target{reduced.bits(), reduced.width(), reduced.height(), int(reduced.bytesPerLine())};
        DownsampleBitmap(source, target, f);
    }
    {
        QPainter painter(&glyph);
        painter.setClipRect(QRect(1, 0, glyph.width() - 2, glyph.height()));
        painter.fillRect(QRect(1, 0, glyph.width() - 2, glyph.height()), ColourOf(back));
        painter.drawImage(1, (glyph.height() - reducedHeight) / 2, reduced);
    }
    PaintColumn(glyph, 0, FirstUnusedColour(glyph, 1, glyph.width() - 2));
}

GlyphButton::GlyphButton(const char* name, QSize glyphSize, QWidget* parent)
    : QToolButton(parent), glyph_(glyphSize, QImage::Format_RGB888) {
    setObjectName(name);
    glyph_.fill(Qt::lightGray);
    setIconSize(glyphSize);
    setFixedSize(glyphSize + QSize(4, 4));
    setAutoRaise(false);
}

void GlyphButton::ShowGlyph() {
    QPixmap pixmap = QPixmap::fromImage(glyph_);
    const QRgb transparent = glyph_.pixel(0, glyph_.height() - 1);
    pixmap.setMask(QBitmap::fromImage(glyph_.createMaskFromColor(transparent, Qt::MaskInColor)));
    setIcon(QIcon(pixmap));
}

}  // namespace corvalin
