#include "app/HintWindow.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>

namespace corvalin {
namespace {

// Black outside, a 1-pixel frame 2 pixels in, the field, then the text 5 right and 2 down
// from the field's inner edge; the extra width and height leave that room on every side.
constexpr int kExtraWidthPx = 16;
constexpr int kExtraHeightPx = 10;
constexpr int kFrameInsetPx = 2;
constexpr int kTextLeftPx = 5;
constexpr int kTextTopPx = 2;
const QColor kFieldColour(0xBB, 0xCD, 0xB4);

}  // namespace

TVEMHintWindow::TVEMHintWindow() : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint) {
    setObjectName("TVEMHintWindow");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFont(QFont("Arial"));
}

QSize TVEMHintWindow::HintSize(const QString& text) const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text) + kExtraWidthPx, metrics.height() + kExtraHeightPx};
}

void TVEMHintWindow::ActivateHint(const QString& text, const QPoint& globalPos) {
    text_ = text;
    const QSize size = HintSize(text);
    setFixedSize(size);
    // A hint near the screen's right or bottom edge moves back onto the screen whole.
    QPoint at = globalPos;
    if (const QScreen* screen = QGuiApplication::screenAt(globalPos)) {
        const QRect area = screen->geometry();
        at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
        at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
    }
    move(at);
    show();
    raise();
    update();
}

void TVEMHintWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRect frame = rect().adjusted(kFrameInsetPx, kFrameInsetPx, -kFrameInsetPx, -kFrameInsetPx);
    const QPalette& colours = palette();
    // Shadow on the top and left edges, highlight on the bottom and right: a sunken frame.
    painter.setPen(colours.color(QPalette::Dark));
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(colours.color(QPalette::Light));
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
    const QRect field = frame.adjusted(1, 1, -1, -1);
    painter.fillRect(field, kFieldColour);
    const QRect inside = field.adjusted(1, 1, -1, -1);
    painter.setPen(Qt::black);
    painter.drawText(inside.adjusted(kTextLeftPx, kTextTopPx, 0, 0), Qt::AlignLeft | Qt::AlignTop, text_);
}

}  // namespace corvalin
