#include "platform/qt/QtGlyphCanvas.h"

#include <QColor>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace corvalin {

namespace {

constexpr int kCodeUnits = 0x10000;

QImage Wrap(PixelImage& image) {
    // Borrows the pixels: painting writes straight into the program's rows.
    return QImage(image.pixels, image.width, image.height, image.stride, QImage::Format_BGR888);
}

QColor FromColourRef(uint32_t colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

int HeightAt(QFont font, int pixelSize) {
    font.setPixelSize(pixelSize);
    return QFontMetrics(font).height();
}

}  // namespace

QtGlyphCanvas::QtGlyphCanvas() { SetFont(FontSpec{}); }

QtGlyphCanvas::QtGlyphCanvas(const FontSpec& font) { SetFont(font); }

QtGlyphCanvas::~QtGlyphCanvas() = default;

QFont QtGlyphCanvas::MakeFont(const FontSpec& fontSpec, int* fontHeight, int* ascent) {
    QFont font;
    if (!fontSpec.family.empty()) font.setFamily(QString::fromStdString(fontSpec.family));
    font.setStyleStrategy(QFont::NoAntialias);
    font.setBold(fontSpec.bold);
    font.setItalic(fontSpec.italic);
    font.setUnderline(fontSpec.underline);
    font.setStrikeOut(fontSpec.strikeOut);
    const int cell = std::clamp(fontSpec.cellHeightPx, 1, kMaxCellHeightPx);

    // Ascent + descent grows by slightly more than one per pixel of em: start from the
    // proportional guess and walk to the largest size that still fits the cell.
    const int heightAtCell = std::max(1, HeightAt(font, cell));
    int size = std::max(1, int(int64_t(cell) * cell / heightAtCell));
    while (size > 1 && HeightAt(font, size) > cell) --size;
    while (size < 2 * cell && HeightAt(font, size + 1) <= cell) ++size;
    font.setPixelSize(size);

    const QFontMetrics metrics(font);
    if (fontHeight) *fontHeight = metrics.height();
    if (ascent) *ascent = metrics.ascent();
    return font;
}

void QtGlyphCanvas::SetFont(const FontSpec& font) {
    fontSpec_ = font;
    fontSpec_.cellHeightPx = std::clamp(font.cellHeightPx, 1, kMaxCellHeightPx);
    font_ = MakeFont(fontSpec_, &fontHeight_, &ascent_);
    maxCharWidth_ = std::max(1, QFontMetrics(font_).maxWidth());
    advances_.assign(kCodeUnits, -1);
    masks_.clear();
}

int QtGlyphCanvas::Advance(char16_t unit) {
    int& advance = advances_[unit];
    if (advance < 0) advance = std::max(0, QFontMetrics(font_).horizontalAdvance(QChar(unit)));
    return advance;
}

const QtGlyphCanvas::GlyphMask& QtGlyphCanvas::MaskOf(char16_t unit) {
    auto found = masks_.find(unit);
    if (found != masks_.end()) return found->second;

    // Room around the pen for left bearings, italic overhang and accents above the ascent.
    const int cell = fontSpec_.cellHeightPx;
    const int marginX = cell;
    const int marginY = cell / 2 + 2;
    const int width = Advance(unit) + 3 * cell;
    const int height = cell + 2 * marginY;
    QImage scratch(width, height, QImage::Format_BGR888);
    scratch.fill(Qt::black);
    {
        QPainter painter(&scratch);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(marginX, marginY + ascent_), QString(QChar(unit)));
    }
    GlyphMask mask;
    for (int y = 0; y < height; ++y) {
        const uchar* row = scratch.constScanLine(y);
        for (int x = 0; x < width;) {
            if (!(row[3 * x] | row[3 * x + 1] | row[3 * x + 2])) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && (row[3 * x] | row[3 * x + 1] | row[3 * x + 2])) ++x;
            mask.runs.push_back(GlyphRun{int16_t(y - marginY), int16_t(start - marginX), int16_t(x - start)});
        }
    }
    return masks_.emplace(unit, std::move(mask)).first->second;
}

void QtGlyphCanvas::DrawUnit(PixelImage& image, int x, int y, char16_t unit) {
    if (!image.pixels || image.width <= 0 || image.height <= 0) return;
    for (const GlyphRun& run : MaskOf(unit).runs) {
        const int row = y + run.dy;
        if (row < 0 || row >= image.height) continue;
        const int from = std::max(0, x + run.dx);
        const int to = std::min(image.width, x + run.dx + run.length);
        if (from < to) std::memset(image.Row(row) + 3 * from, 0xFF, size_t(to - from) * 3);
    }
}

void QtGlyphCanvas::DrawCentredText(PixelImage& image, int centreX, int centreY, std::u16string_view text,
                                    int cellHeightPx, uint32_t colour, uint32_t background) {
    if (!image.pixels || image.width <= 0 || image.height <= 0) return;
    FontSpec fontSpec = fontSpec_;
    fontSpec.cellHeightPx = std::clamp(cellHeightPx, 1, kMaxCellHeightPx);
    int ascent = 0;
    const QFont font = MakeFont(fontSpec, nullptr, &ascent);
    const QString string = QString::fromUtf16(text.data(), qsizetype(text.size()));
    const int width = QFontMetrics(font).horizontalAdvance(string);
    const int left = centreX - width / 2;
    const int top = centreY - fontSpec.cellHeightPx / 2;

    QImage target = Wrap(image);
    QPainter painter(&target);
    painter.fillRect(left, top, width, fontSpec.cellHeightPx, FromColourRef(background));
    painter.setFont(font);
    painter.setPen(FromColourRef(colour));
    painter.drawText(QPoint(left, top + ascent), string);
}

QString QtGlyphCanvas::ResolvedFamily() const { return QFontInfo(font_).family(); }

}  // namespace corvalin
