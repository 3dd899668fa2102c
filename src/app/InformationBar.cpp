#include "app/InformationBar.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTime>
#include <QWheelEvent>
#include <algorithm>
#include <cstdlib>

#include "app/MainWindow.h"
#include "app/ToolBarIcons.h"

namespace corvalin {
namespace {

constexpr int kFirstRowTopPx = 2;
constexpr int kTextPixelSize = 11;

QString FromUtf16(const std::u16string& text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

}  // namespace

InformationBar::InformationBar(TAA_Main& window, GaugeGlyphs& glyphs, QWidget* parent)
    : QWidget(parent), window_(window), glyphs_(glyphs) {
    setObjectName("PaintBoxToolBarFloat");
    setFixedHeight(kHeightPx);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont small = font();
    small.setPixelSize(kTextPixelSize);
    setFont(small);
}

void InformationBar::paintEvent(QPaintEvent*) {
    if (window_.PresentationBusy() > 0) return;
    QPainter painter(this);
    painter.fillRect(rect(), kToolBarColour);

    // "h:nn": hours without a leading zero.
    clockShown_ = QTime::currentTime().toString("h:mm");
    const QRect clock = glyphs_.ComposeGlyphs(clockShown_.toStdString());
    InfoBarInputs in;
    in.boxWidthPx = width();
    in.clockWidthPx = clock.width();
    painter.drawImage(QPoint(width() - kInfoBarClockMarginPx - clock.width(), 1), glyphs_.Scratch(), clock);

    values_ = {};
    layout_ = {};
    if (!window_.BookOpen()) return;
    const ReadingSession::BookDetails details = window_.Session().Details();
    const std::array<QString, 4> captions = {window_.Text("Filename"), window_.Text("FileSize"),
                                             window_.Text("Author"), window_.Text("Title")};
    values_ = {FromUtf16(details.sourceName),
               details.sourceSize >= 0 ? QString::number(details.sourceSize) : QString(),
               FromUtf16(details.author), FromUtf16(details.title)};
    const QFontMetrics metrics(font());
    for (size_t k = 0; k < 4; ++k) {
        in.captionWidthsPx[k] = metrics.horizontalAdvance(captions[k]);
        in.valueWidthsPx[k] = metrics.horizontalAdvance(values_[k]);
    }
    for (size_t k = 0; k < 2; ++k) in.marqueeSeconds[k] = marquee_[k].Elapsed();
    layout_ = LayOutInfoBar(in);
    for (size_t k = 0; k < 2; ++k)
        if (layout_.restartMarquee[k]) marquee_[k].Restart();
    if (!layout_.bookShown) return;

    painter.setPen(kToolBarText);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int lineHeight = metrics.height();
    const int rows[2] = {kFirstRowTopPx, lineHeight + kFirstRowTopPx};
    const int pairs = layout_.secondPairShown ? 2 : 1;
    for (int pair = 0; pair < pairs; ++pair) {
        const InfoBarColumn& captionColumn = layout_.columns[size_t(2 * pair)];
        const InfoBarColumn& valueColumn = layout_.columns[size_t(2 * pair + 1)];
        for (int row = 0; row < 2; ++row) {
            const size_t item = size_t(2 * pair + row);
            painter.setClipping(false);
            painter.drawText(QRect(captionColumn.leftPx, rows[row], captionColumn.widthPx, lineHeight),
                             Qt::AlignLeft | Qt::AlignTop, captions[item]);
            // A value scrolls inside its own column and never over its neighbours.
            painter.setClipRect(QRect(valueColumn.leftPx, 0, valueColumn.widthPx, height()));
            painter.drawText(QPoint(layout_.valueXPx[item], rows[row] + metrics.ascent()), values_[item]);
        }
    }
}

void InformationBar::mousePressEvent(QMouseEvent* event) {
    switch (event->button()) {
        case Qt::LeftButton:
            window_.NextPage();
            break;
        case Qt::RightButton:
            window_.PrevPage();
            break;
        case Qt::MiddleButton:
            window_.ToggleAutoScroll();
            break;
        default:
            break;
    }
}

void InformationBar::wheelEvent(QWheelEvent* event) {
    const int notches = wheelNotches_.Take(*event);
    for (int i = 0; i < std::abs(notches); ++i) {
        // Turned towards the reader the wheel reports a negative delta: the next page.
        if (notches < 0)
            window_.NextPage();
        else
            window_.PrevPage();
    }
    event->accept();
}

}  // namespace corvalin
