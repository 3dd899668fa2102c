#include "app/ToolBar.h"

#include <QAction>
#include <QEvent>
#include <QHelpEvent>
#include <QToolButton>

#include "app/InformationBar.h"
#include "app/MainWindow.h"
#include "app/SpeedGauge.h"
#include "app/ToolBarIcons.h"

namespace corvalin {
namespace {

constexpr int kToolBarHeight = 37;
constexpr int kButtonWidth = 31;
constexpr int kButtonHeight = 30;
const QPoint kHintOffset(2, 16);

}  // namespace

MainToolBar::MainToolBar(TAA_Main& window, const WindowTexts& texts) : QToolBar(&window) {
    setObjectName("ToolBar1");
    setMovable(false);
    setFloatable(false);
    setFixedHeight(kToolBarHeight);
    setIconSize(QSize(kToolBarImageSize, kToolBarImageSize));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setContextMenuPolicy(Qt::PreventContextMenu);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kToolBarColour);
    colours.setColor(QPalette::Button, kToolBarColour);
    setPalette(colours);
    setAutoFillBackground(true);

    connect(AddButton("ToolButton1", kImageOpen, texts, false), &QAction::triggered, &window,
            [&window] { window.OpenBookDialog(); });
    QAction* scroll = AddButton("ToolButtonScroll", kImageScroll, texts, true);
    // The button shows the reading state, which the toggle may refuse to change (no book, the
    // end of the book): the state decides, through ApplyDecision.
    connect(scroll, &QAction::triggered, &window, [&window, scroll](bool) {
        scroll->setChecked(window.Options().AutoScrollOn());
        window.ToggleAutoScroll();
    });
    QAction* original = AddButton("ToolButtonOrig", kImageOriginal, texts, true);
    connect(original, &QAction::triggered, &window, [&window, original](bool on) {
        window.SetOriginalText(on);
        original->setChecked(window.OriginalText());
    });
    connect(AddButton("ToolButton3", kImageOptions, texts, true), &QAction::triggered, &window,
            [&window] { window.OptionsClick(); });
    connect(AddButton("ToolButton2", kImageAddBookmark, texts, false), &QAction::triggered, &window,
            [&window] { window.AddBookmark(); });
    connect(AddButton("ToolButton4", kImageBookmarks, texts, false), &QAction::triggered, &window,
            [&window] { window.ShowBookmarks(); });

    // The information bar takes the width the buttons and the gauge leave.
    infoBar_ = new InformationBar(window, glyphs_, this);
    addWidget(infoBar_);
    gauge_ = new SpeedGauge(window, glyphs_, this);
    addWidget(gauge_);

    connect(AddButton("ToolButton6", kImageMinimize, texts, false), &QAction::triggered, &window,
            [&window] { window.showMinimized(); });
    connect(AddButton("ToolButton5", kImageFullScreen, texts, false), &QAction::triggered, &window,
            [&window] { window.ToggleFullScreen(); });
    connect(AddButton("ToolButtonExit", kImageExit, texts, false), &QAction::triggered, &window,
            [&window] { window.close(); });
}

MainToolBar::~MainToolBar() {
    // The displays use the glyphs and the hint window, members that go before the children.
    delete gauge_;
    delete infoBar_;
}

QAction* MainToolBar::AddButton(const char* name, int image, const WindowTexts& texts, bool checkable) {
    const QString hint = QString::fromStdString(texts.Hint(name));
    QAction* action = addAction(ToolBarIcon(image), hint);
    action->setObjectName(name);
    action->setToolTip(hint);
    action->setCheckable(checkable);
    if (QWidget* button = widgetForAction(action)) {
        button->setObjectName(name);
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->installEventFilter(this);
        if (auto* tool = qobject_cast<QToolButton*>(button)) tool->setAutoRaise(true);
    }
    return action;
}

QAction* MainToolBar::Button(const char* name) const { return findChild<QAction*>(name); }

void MainToolBar::RepaintDisplays() {
    infoBar_->update();
    gauge_->update();
}

void MainToolBar::ApplyDecision(const StateDecision& decision) {
    if (QAction* scroll = Button("ToolButtonScroll")) scroll->setChecked(decision.scrollButtonDown);
    hintsShown_ = decision.toolHintsShown;
    if (!hintsShown_) hintWindow_.hide();
}

bool MainToolBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            // Qt sends this once the pointer has rested on the button for the style's delay.
            auto* button = qobject_cast<QToolButton*>(watched);
            // No hint pops up over text that moves by itself.
            if (!hintsShown_ || !button || !button->defaultAction()) return true;
            const QString hint = button->defaultAction()->toolTip();
            if (hint.isEmpty()) return true;
            // Below the pointer, clear of the cursor's picture, as tooltips sit.
            hintWindow_.ActivateHint(hint, static_cast<QHelpEvent*>(event)->globalPos() + kHintOffset);
            return true;
        }
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Hide:
        case QEvent::EnabledChange:
            hintWindow_.hide();
            break;
        default:
            break;
    }
    return QToolBar::eventFilter(watched, event);
}

}  // namespace corvalin
