#pragma once

#include <QString>
#include <QToolBar>
#include <vector>

#include "app/HintWindow.h"
#include "engine/StateDecision.h"
#include "lang/Languages.h"

class QAction;

namespace corvalin {

class TAA_Main;

// The main window's tool bar. Each button is an action named after its control, so that the
// tool bar, a test and a script find it by that name.
class MainToolBar : public QToolBar {
public:
    MainToolBar(TAA_Main& window, const WindowTexts& texts);

    // The button of control `name`, or null.
    QAction* Button(const char* name) const;
    // The pressed state of the scroll button and whether hints show, as the reading state
    // decided them.
    void ApplyDecision(const StateDecision& decision);
    bool HintsShown() const { return hintsShown_; }
    // The hints of the buttons show in the program's own window rather than Qt's tooltip.
    TVEMHintWindow& HintWindow() { return hintWindow_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddButton(const char* name, int image, const WindowTexts& texts, bool checkable);

    bool hintsShown_ = true;
    TVEMHintWindow hintWindow_;
};

}  // namespace corvalin
