#include "platform/qt/ReadingFont.h"

#include <QFont>
#include <QFontMetrics>
#include <QString>
#include <algorithm>

#include "layout/VEMRenderParag.h"
#include "platform/qt/FontFamilies.h"
#include "platform/qt/QtGlyphCanvas.h"

namespace corvalin {
namespace {

constexpr double kPointsToPixels = 96.0 / 72.0;  // fonts are sized for a 96 dpi screen

// The font cell at the supersampled scale: ascent + descent of the font at that em.
int CellHeightPx(const ReadingFontRequest& request, const std::string& family) {
    QFont font(QString::fromStdString(family));
    font.setPixelSize(std::max(1, int(request.points * request.aaFactor * kPointsToPixels + 0.5)));
    font.setBold(request.bold);
    font.setItalic(request.italic);
    const QFontMetrics metrics(font);
    return std::max(1, metrics.ascent() + metrics.descent());
}

}  // namespace

FontSpec ReadingFontSpec(const ReadingFontRequest& request) {
    FontSpec font;
    font.family = DrawingFamilyFor(request.family, request.fixedWidth);
    font.bold = request.bold;
    font.italic = request.italic;
    font.underline = request.underline;
    font.strikeOut = request.strikeOut;
    font.cellHeightPx = CellHeightPx(request, font.family);
    return font;
}

void ApplyReadingSettings(const VEMOptions& options, VEMRenderParag& view, QtGlyphCanvas& canvas,
                          int32_t surfaceCount) {
    canvas.SetFont(ReadingFontSpec(ApplyViewSettings(options, view, surfaceCount)));
    view.canvas = &canvas;
    view.Relayout();
}

}  // namespace corvalin
