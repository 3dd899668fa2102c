#include "app/PopupMenu.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QString>
#include <functional>

#include "app/MainWindow.h"
#include "app/MenuItemPainter.h"

namespace corvalin {
namespace {

struct MenuItem {
    const char* name;
    const char* captionId;  // "Menu_0" and the item's tag
    QKeyCombination shortcut;
    bool separatorBefore;
    std::function<void(TAA_Main&)> command;  // none: the item waits for its window
};

}  // namespace

QMenu* CreatePopupMenu1(TAA_Main& window, const WindowTexts& texts) {
    const MenuItem items[] = {
        {"ScrollChange1", "Menu_00", Qt::Key_Insert, false, [](TAA_Main& w) { w.ToggleAutoScroll(); }},
        {"ConstantVariableSpeed1", "Menu_01", Qt::KeypadModifier | Qt::Key_Slash, false,
         [](TAA_Main& w) { w.TogglePriority(); }},
        {"FasterScroll", "Menu_02", Qt::KeypadModifier | Qt::Key_Plus, false,
         [](TAA_Main& w) { w.Faster(); }},
        {"SlowerScroll", "Menu_03", Qt::KeypadModifier | Qt::Key_Minus, false,
         [](TAA_Main& w) { w.Slower(); }},
        {"Fullscreen1", "Menu_04", Qt::Key_Backslash, true, [](TAA_Main& w) { w.ToggleFullScreen(); }},
        {"Options1", "Menu_05", Qt::KeypadModifier | Qt::Key_Asterisk, false,
         [](TAA_Main& w) { w.ToggleOptionsPanel(); }},
        {"CloseApplication1", "Menu_06", Qt::Key_Escape, false, [](TAA_Main& w) { w.close(); }},
        {"Help1", "Menu_07", Qt::Key_F1, false, [](TAA_Main& w) { w.OpenHelp(); }},
    };
    auto* menu = new QMenu(&window);
    menu->setObjectName("PopupMenu1");
    for (const MenuItem& item : items) {
        if (item.separatorBefore) menu->addSeparator()->setObjectName("N1");
        QAction* action = menu->addAction(QString::fromStdString(texts.GetText(item.captionId)));
        action->setObjectName(item.name);
        // A language change finds the item's text by it.
        action->setProperty("textId", item.captionId);
        action->setShortcut(QKeySequence(item.shortcut));
        action->setShortcutContext(Qt::WindowShortcut);
        if (item.command)
            QObject::connect(action, &QAction::triggered, &window,
                             [&window, command = item.command] { command(window); });
        else
            action->setEnabled(false);
    }
    MenuItemPainter::Install(*menu);
    return menu;
}

}  // namespace corvalin
