#include "platform/qt/QtGlyphCanvas.h"

#include <QColor>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace corvalin {

namespace {

constexpr int kCodeUnits = 0x10000;
constexpr char16_t kFirstPrintableAscii = 0x20;
constexpr char16_t kLastPrintableAscii = 0x7E;
// Bytes of the drawing area per preparation piece: at a supersampled reading size, a band of
// about a sixth of the glyph's rows.
constexpr size_t kBandBytes = 128 * 1024;

QImage Wrap(PixelImage& image) {
    // Borrows the pixels: painting writes straight into the program's rows.
    return QImage(image.pixels, image.width, image.height, image.stride, QImage::Format_BGR888);
}

QColor FromColourRef(uint32_t colour) {
    return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

constexpr uint32_t kColourBits = 0x00FFFFFF;

// The first pixel of row[from, end) that Qt wrote, or end; two at a time, since a glyph's
// drawing area is mostly untouched.
int FirstNonZero(const uint32_t* row, int from, int end) {
    while (from + 2 <= end) {
        uint64_t pair;
        std::memcpy(&pair, row + from, 8);
        if (pair) break;
        from += 2;
    }
    while (from < end && !row[from]) ++from;
    return from;
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
    advances_.assign(kCodeUnits, -1);
    inkOverhangs_.assign(kCodeUnits, kUnmeasured);
    widestGlyph_ = std::max(1, QFontMetrics(font_).maxWidth());
    // The advance a monospace face gives every character. The font's maximum width is the
    // widest glyph box, which in faces with a few wide symbols (Noto Sans Mono: three times
    // the advance) would set every letter far apart.
    fixedCharWidth_ = 1;
    for (char16_t unit = kFirstPrintableAscii; unit <= kLastPrintableAscii; ++unit)
        fixedCharWidth_ = std::max(fixedCharWidth_, Advance(unit));
    masks_.clear();
    // The area is sized for the font; the next one makes its own.
    pending_.reset();
    area_ = QImage();
    areaPixels_.reset();
}

int QtGlyphCanvas::Advance(char16_t unit) {
    int& advance = advances_[unit];
    if (advance < 0) advance = std::max(0, QFontMetrics(font_).horizontalAdvance(QChar(unit)));
    return advance;
}

int QtGlyphCanvas::InkOverhang(char16_t unit) {
    int& overhang = inkOverhangs_[unit];
    if (overhang == kUnmeasured) {
        const QRect ink = QFontMetrics(font_).boundingRect(QChar(unit));
        overhang = ink.isEmpty() ? 0 : ink.x() + ink.width() - Advance(unit);
    }
    return overhang;
}

bool QtGlyphCanvas::PrepareUnit(char16_t unit) {
    if (masks_.count(unit)) return true;
    if (pending_ && pending_->unit != unit) pending_.reset();
    if (!pending_) {
        PendingMask started;
        started.unit = unit;
        started.width = Advance(unit) + 3 * MarginX();
        started.height = fontSpec_.cellHeightPx + 2 * MarginY();
        pending_ = std::move(started);
    }
    PendingMask& pending = *pending_;
    if (pending.width > area_.width() || pending.height > area_.height()) {
        // Once per font as a rule, wide enough for the widest glyph the font reports. The old
        // area is blank, so nothing needs copying. Fresh zero pages from calloc are not touched
        // here: the bands take the page faults, a few at a time.
        const int width = std::max({area_.width(), pending.width, widestGlyph_ + 3 * MarginX()});
        const int height = std::max(area_.height(), pending.height);
        area_ = QImage();
        areaPixels_.reset(static_cast<uint32_t*>(std::calloc(size_t(width) * size_t(height), 4)));
        if (!areaPixels_) throw std::bad_alloc();
        area_ = QImage(reinterpret_cast<uchar*>(areaPixels_.get()), width, height, width * 4,
                       QImage::Format_RGB32);
        return false;
    }
    DrawPendingBand();
    if (pending.nextRow < pending.height) return false;
    masks_.emplace(unit, std::move(pending.mask));
    pending_.reset();
    return true;
}

const QtGlyphCanvas::GlyphMask& QtGlyphCanvas::MaskOf(char16_t unit) {
    while (!PrepareUnit(unit)) {
    }
    return masks_.find(unit)->second;
}

// The clip stands for the bounds of an image of exactly the glyph's area as well as for the
// band, so the pixels are those Qt would draw into a fresh image of that size. A band holds
// about kBandBytes of the area, which bounds the filling and the reading at any glyph size
// (what Qt spends laying out the character is paid again by every band). Qt's own pixel format
// fills in well under half the time of 24-bit pixels; without anti-aliasing the pixels lit are
// the same.
void QtGlyphCanvas::DrawPendingBand() {
    PendingMask& pending = *pending_;
    const int width = pending.width;
    const int first = pending.nextRow;
    const int last = std::min(pending.height, first + std::max(1, int(kBandBytes / (size_t(width) * 4))));
    {
        QPainter painter(&area_);
        painter.setClipRect(0, first, width, last - first);
        painter.setFont(font_);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(MarginX(), MarginY() + ascent_), QString(QChar(pending.unit)));
    }
    for (int y = first; y < last; ++y) {
        uint32_t* row = areaPixels_.get() + size_t(y) * size_t(area_.width());
        for (int x = FirstNonZero(row, 0, width); x < width; x = FirstNonZero(row, x, width)) {
            const int start = x;
            for (; x < width && (row[x] & kColourBits); ++x) row[x] = 0;
            if (x == start) {
                row[x++] = 0;  // written but black: nothing to keep
                continue;
            }
            pending.mask.runs.push_back(
                GlyphRun{int16_t(y - MarginY()), int16_t(start - MarginX()), int16_t(x - start)});
        }
    }
    pending.nextRow = last;
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
