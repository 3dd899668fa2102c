#include "app/SplashPicture.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "app/MainWindow.h"

namespace corvalin {
namespace {

constexpr int kWidthPx = 256;
constexpr int kHeightPx = 128;
// The version's top-left corner, under the end of the name.
constexpr int kVersionX = 173;
constexpr int kVersionY = 53;
// The main window's own colours, so the picture announces the window that follows.
const QColor kFrameColour(0x00, 0x3E, 0x56);
const QColor kPageColour(0xB8, 0xBB, 0xA4);
const QColor kBarColour(0x20, 0x40, 0x40);

void PaintBook(QPainter& painter) {
    const QRectF left(18, 30, 34, 64);
    const QRectF right(52, 30, 34, 64);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(kPageColour);
    painter.drawRect(left);
    painter.drawRect(right);
    painter.setPen(QPen(kFrameColour, 1));
    for (int row = 40; row < 88; row += 8) {
        painter.drawLine(QPointF(23, row), QPointF(47, row));
        painter.drawLine(QPointF(57, row), QPointF(81, row));
    }
}

}  // namespace

void PaintSplashPicture(QPainter& painter) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, kHeightPx);
    sky.setColorAt(0, kBarColour);
    sky.setColorAt(1, kFrameColour);
    painter.fillRect(QRect(0, 0, kWidthPx, kHeightPx), sky);
    PaintBook(painter);

    QFont name("Arial");
    name.setPixelSize(19);
    name.setBold(true);
    painter.setFont(name);
    painter.setPen(Qt::white);
    painter.drawText(QRect(98, 4, kWidthPx - 100, 24), Qt::AlignLeft | Qt::AlignVCenter, "Corvalin-");
    painter.drawText(QRect(98, 26, kWidthPx - 100, 24), Qt::AlignLeft | Qt::AlignVCenter, "destrum");
    QFont small("Arial");
    small.setPixelSize(12);
    painter.setFont(small);
    painter.setPen(kPageColour);
    painter.drawText(QRect(98, 74, kWidthPx - 100, 18), Qt::AlignLeft | Qt::AlignVCenter, "Professional");

    painter.setPen(Qt::white);
    QFont version("Arial");
    version.setPixelSize(16);
    version.setBold(true);
    painter.setFont(version);
    painter.drawText(QRect(kVersionX, kVersionY, kWidthPx - kVersionX, 20), Qt::AlignLeft | Qt::AlignTop,
                     TAA_Main::kVersion);
    painter.restore();
}

}  // namespace corvalin
