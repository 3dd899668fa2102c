#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include "app/GaugeGlyphs.h"
#include "engine/TStopwatch.h"
#include "engine/ToolBarDisplays.h"

namespace corvalin {

class TAA_Main;

// The speed gauge on the tool bar (PaintBoxToolBarGauge): the reading position in glyph digits,
// beside it the speed setting for a while after it changed, the rest of a "Page Down" dwell, the
// steps of the last second or the reader's own speed, and while the text moves a plus and a
// minus mark to click. Any click elsewhere, or while the marks are not shown, opens go to
// percent with the position filled in. Its hint is the position with four decimals.
class SpeedGauge : public QWidget {
public:
    static constexpr int kWidthPx = 228;
    static constexpr int kHeightPx = 30;

    SpeedGauge(TAA_Main& window, GaugeGlyphs& glyphs, QWidget* parent);

    // The speed setting shows again for its 2 s (a speed or the speed kind changed).
    void RestartSpeedDisplay();
    // A mark flashes after Faster (plus) or Slower (minus).
    void FlashPlus();
    void FlashMinus();

    // What the last paint showed.
    bool MarksShown() const { return marksShown_; }
    QRect PlusRect() const { return plusRect_; }
    QRect MinusRect() const { return minusRect_; }
    GaugeReadout Readout() const { return readout_; }
    const QString& PositionShown() const { return positionShown_; }
    const QString& UpperText() const { return upper_; }
    const QString& LowerText() const { return lower_; }
    // The position with four decimals, as the hint shows it; empty without a book.
    QString PositionHint() const;

    // The position in thousandths that the gauge shows and go to percent starts from.
    int64_t PositionPerMille() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    GaugeInputs Inputs();
    void PaintReadout(QPainter& painter, const QRect& column);
    static void SetLongAgo(TStopwatch& watch);

    TAA_Main& window_;
    GaugeGlyphs& glyphs_;
    TStopwatch speedChange_;
    TStopwatch plusFlash_;
    TStopwatch minusFlash_;
    QRect plusRect_;
    QRect minusRect_;
    bool marksShown_ = false;
    GaugeReadout readout_ = GaugeReadout::Nothing;
    QString positionShown_;
    QString upper_;
    QString lower_;
};

}  // namespace corvalin
