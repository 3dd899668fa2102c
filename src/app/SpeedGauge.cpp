#include "app/SpeedGauge.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <tuple>

#include "app/MainWindow.h"
#include "app/ToolBar.h"
#include "app/ToolBarIcons.h"
#include "nav/PositionShare.h"

namespace corvalin {
namespace {

// The strip of the marks: their width and this much room.
constexpr int kMarkStripPx = 6;
constexpr int kMarkInsetPx = 4;
// The position's glyphs end this far left of the text column.
constexpr int kPositionGapPx = 10;
constexpr int64_t kPerMille = 1000;
constexpr int64_t kPerMillion = 1000000;
// Below the pointer, clear of the cursor's picture, as the tool bar's hints sit.
const QPoint kHintOffset(2, 16);
constexpr long double kLongAgoSeconds = 10.0L;
constexpr int kTextPixelSize = 11;

}  // namespace

SpeedGauge::SpeedGauge(TAA_Main& window, GaugeGlyphs& glyphs, QWidget* parent)
    : QWidget(parent), window_(window), glyphs_(glyphs) {
    setObjectName("PaintBoxToolBarGauge");
    setFixedSize(kWidthPx, kHeightPx);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont small = font();
    small.setPixelSize(kTextPixelSize);
    setFont(small);
    // Nothing shows at the start that was not asked for.
    SetLongAgo(speedChange_);
    SetLongAgo(plusFlash_);
    SetLongAgo(minusFlash_);
}

void SpeedGauge::SetLongAgo(TStopwatch& watch) {
    watch.Restart();
    watch.startCount -= int64_t(kLongAgoSeconds / watch.secondsPerTick);
}

void SpeedGauge::RestartSpeedDisplay() {
    speedChange_.Restart();
    update();
}

void SpeedGauge::FlashPlus() {
    plusFlash_.Restart();
    update();
}

void SpeedGauge::FlashMinus() {
    minusFlash_.Restart();
    update();
}

int64_t SpeedGauge::PositionPerMille() const {
    ReadingSession& session = window_.Session();
    return PositionShare(session.View(), session.TextStart(), session.TextEnd(), kPerMille);
}

QString SpeedGauge::PositionHint() const {
    if (!window_.BookOpen()) return {};
    ReadingSession& session = window_.Session();
    return QString::fromStdString(
        PositionHintText(PositionShare(session.View(), session.TextStart(), session.TextEnd(), kPerMillion)));
}

GaugeInputs SpeedGauge::Inputs() {
    const VEMOptions& options = window_.Options();
    ScrollEngine& engine = window_.Engine();
    GaugeInputs in;
    in.secondsSinceSpeedChange = speedChange_.Elapsed();
    in.moving = options.AutoScrollOn();
    in.pageDownMode = options.Effective(Setting::AutoMode) == kModePageDown;
    in.pageWaitSeconds = engine.PageWaitSeconds();
    in.stepsLastSecond = engine.Statistics().StepsLastSecond;
    // The reader's speed stays only while the last movement was a page turn.
    in.showMeasured = engine.ShowMeasured() && window_.View().pageTurnedMark;
    return in;
}

void SpeedGauge::PaintReadout(QPainter& painter, const QRect& column) {
    const GaugeInputs in = Inputs();
    readout_ = ChooseGaugeReadout(in);
    if (readout_ == GaugeReadout::ReaderSpeed || readout_ == GaugeReadout::Nothing)
        window_.Engine().SetShowMeasured(in.showMeasured);
    upper_.clear();
    lower_.clear();
    const VEMOptions& options = window_.Options();
    ScrollEngine& engine = window_.Engine();
    QRect place = column;
    Qt::Alignment across = Qt::AlignHCenter;
    switch (readout_) {
        case GaugeReadout::Nothing:
            return;
        case GaugeReadout::SpeedSetting: {
            const bool constant = options.Effective(Setting::ConstantSpeed) != 0;
            upper_ = window_.Text(constant ? "SpeedConst" : "SpeedVar");
            lower_ =
                QString::number(options.Get(constant ? Setting::LinesPerSecond : Setting::CharsPerSecond));
            break;
        }
        case GaugeReadout::PageDwell: {
            upper_ = QString::fromStdString(DwellText(in.pageWaitSeconds - engine.PageDwell().Elapsed()));
            painter.drawText(column, Qt::AlignCenter, upper_);
            return;
        }
        case GaugeReadout::MeasuredSpeed: {
            const StepStatistics& statistics = engine.Statistics();
            upper_ = window_.Text("SpeedReal");
            lower_ = QString::fromStdString(
                MeasuredSpeedText(statistics.StepsLastSecond, statistics.LateLastSecond));
            break;
        }
        case GaugeReadout::ReaderSpeed: {
            const ManualSpeed& speed = engine.MeasuredSpeed();
            upper_ = "LPS = " + QString::number(speed.linesPerSecond);
            lower_ = "CPS = " + QString::number(speed.charsPerSecond);
            // Left-aligned, the column widened to the left as far as the longer needs.
            const QFontMetrics metrics(font());
            const int wanted = std::max(metrics.horizontalAdvance(upper_), metrics.horizontalAdvance(lower_));
            place.setLeft(column.right() + 1 - std::max(column.width(), wanted));
            across = Qt::AlignLeft;
            break;
        }
    }
    const int lineHeight = QFontMetrics(font()).height();
    painter.drawText(QRect(place.left(), 1, place.width(), lineHeight), across | Qt::AlignTop, upper_);
    painter.drawText(QRect(place.left(), height() - 1 - lineHeight, place.width(), lineHeight),
                     across | Qt::AlignBottom, lower_);
}

void SpeedGauge::paintEvent(QPaintEvent*) {
    // Never between a copy of the off-screen page to the screen and its end.
    if (window_.PresentationBusy() > 0) return;
    QPainter painter(this);
    marksShown_ = false;
    painter.fillRect(rect(), kToolBarColour);

    const QPixmap& plus = glyphs_.Plus();
    const QPixmap& minus = glyphs_.Minus();
    const int marks = std::max(plus.width(), minus.width());
    const int d = width() - marks - kMarkStripPx;
    if (window_.Options().AutoScrollOn()) {
        plusRect_ = QRect(d + kMarkInsetPx, 1, plus.width(), plus.height());
        minusRect_ = QRect(d + kMarkInsetPx, height() - minus.height() - 1, minus.width(), minus.height());
        for (auto [mark, watch, area] :
             {std::tuple{&plus, &plusFlash_, plusRect_}, std::tuple{&minus, &minusFlash_, minusRect_}}) {
            const int32_t grey = MarkFlashGrey(watch->Elapsed());
            if (grey >= 0) painter.fillRect(area, QColor(grey, grey, grey));
            painter.drawPixmap(area.topLeft(), *mark);
        }
        marksShown_ = true;
    } else {
        // No flash left over for when the movement starts.
        SetLongAgo(plusFlash_);
        SetLongAgo(minusFlash_);
    }

    const QFontMetrics metrics(font());
    int w = metrics.horizontalAdvance("000 - 000");
    for (const char* id : {"SpeedConst", "SpeedVar", "SpeedReal"})
        w = std::max(w, metrics.horizontalAdvance(window_.Text(id)));
    painter.setPen(kToolBarText);
    painter.setBackgroundMode(Qt::TransparentMode);
    PaintReadout(painter, QRect(d - w, 0, w, height()));

    positionShown_.clear();
    if (window_.BookOpen()) {
        const std::string text = PositionText(PositionPerMille());
        const QRect glyphs = glyphs_.ComposeGlyphs(text);
        painter.drawImage(QPoint(d - w - kPositionGapPx - glyphs.width(), 1), glyphs_.Scratch(), glyphs);
        positionShown_ = QString::fromStdString(text);
    }
}

void SpeedGauge::mousePressEvent(QMouseEvent* event) {
    window_.ToolBar().HintWindow().hide();
    const QPoint at = event->position().toPoint();
    if (marksShown_ && window_.Options().AutoScrollOn()) {
        // While the marks show, a click is theirs or nothing.
        if (plusRect_.contains(at))
            window_.Faster();
        else if (minusRect_.contains(at))
            window_.Slower();
        return;
    }
    if (window_.BookOpen()) window_.GoToPercentDialog(double(PositionPerMille()) / 10.0);
}

bool SpeedGauge::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            TVEMHintWindow& hint = window_.ToolBar().HintWindow();
            // Only for a reader who is looking, at a page that stands still.
            if (window_.CursorShown() && window_.BookOpen() && !window_.Options().AutoScrollOn())
                hint.ActivateHint(PositionHint(), static_cast<QHelpEvent*>(event)->globalPos() + kHintOffset);
            else
                hint.hide();
            return true;
        }
        case QEvent::Leave:
            window_.ToolBar().HintWindow().hide();
            break;
        default:
            break;
    }
    return QWidget::event(event);
}

}  // namespace corvalin
