#pragma once

#include <QString>
#include <QWidget>
#include <array>

#include "app/GaugeGlyphs.h"
#include "app/WheelNotches.h"
#include "engine/TStopwatch.h"
#include "engine/ToolBarDisplays.h"

namespace corvalin {

class TAA_Main;

// The information bar on the tool bar (PaintBoxToolBarFloat): the clock in glyph digits at its
// right end and, for an open book, its file name, file size, author and title in two rows,
// values too long for their column scrolling through it. The wheel and the buttons over it turn
// pages (left: on, right: back) and the middle button starts and stops the movement.
class InformationBar : public QWidget {
public:
    static constexpr int kHeightPx = 30;

    InformationBar(TAA_Main& window, GaugeGlyphs& glyphs, QWidget* parent);

    // What the last paint showed: the clock, and the layout of the book's values (whether any
    // were drawn, and the texts).
    const QString& ClockShown() const { return clockShown_; }
    const InfoBarLayout& Layout() const { return layout_; }
    const std::array<QString, 4>& Values() const { return values_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TAA_Main& window_;
    GaugeGlyphs& glyphs_;
    std::array<TStopwatch, 2> marquee_;
    InfoBarLayout layout_;
    QString clockShown_;
    std::array<QString, 4> values_;
    WheelNotches wheelNotches_;
};

}  // namespace corvalin
