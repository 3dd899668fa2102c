#pragma once

#include <QString>
#include <QToolBar>
#include <vector>

#include "app/GaugeGlyphs.h"
#include "app/HintWindow.h"
#include "engine/StateDecision.h"
#include "lang/Languages.h"

class QAction;

namespace corvalin {

class TAA_Main;
class InformationBar;
class SpeedGauge;

// The main window's tool bar. Each button is an action named after its control, so that the
// tool bar, a test and a script find it by that name.
class MainToolBar : public QToolBar {
public:
    MainToolBar(TAA_Main& window, const WindowTexts& texts);
    ~MainToolBar() override;

    // The button of control `name`, or null.
    QAction* Button(const char* name) const;
    // The pressed state of the scroll button and whether hints show, as the reading state
    // decided them.
    void ApplyDecision(const StateDecision& decision);
    bool HintsShown() const { return hintsShown_; }
    // The hints of the buttons show in the program's own window rather than Qt's tooltip.
    TVEMHintWindow& HintWindow() { return hintWindow_; }
    // The information bar (PaintBoxToolBarFloat) and the speed gauge (PaintBoxToolBarGauge).
    InformationBar& InfoBar() { return *infoBar_; }
    SpeedGauge& Gauge() { return *gauge_; }
    // Both displays paint again (the window's 200 ms timer).
    void RepaintDisplays();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddButton(const char* name, int image, const WindowTexts& texts, bool checkable);

    bool hintsShown_ = true;
    TVEMHintWindow hintWindow_;
    GaugeGlyphs glyphs_;
    InformationBar* infoBar_ = nullptr;
    SpeedGauge* gauge_ = nullptr;
};

}  // namespace corvalin
