#include "app/MenuItemPainter.h"

#include <QAction>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionMenuItem>

namespace corvalin {
namespace {

constexpr int kExtraWidthPx = 15;
constexpr int kExtraHeightPx = 5;
constexpr int kCaptionLeftPx = 6;
constexpr int kTextTopPx = 2;
constexpr int kShortcutRightPx = 9;

}  // namespace

QString MenuItemPainter::ShortcutText(const QAction& action) {
    const QKeySequence shortcut = action.shortcut();
    if (shortcut.isEmpty()) return {};
    const QKeyCombination key = shortcut[0];
    // Qt writes a keypad key as "Num++"; the keys are named as on the keyboard, "Num +".
    if (key.keyboardModifiers() & Qt::KeypadModifier)
        return "Num " + QKeySequence(key.key()).toString(QKeySequence::NativeText);
    return shortcut.toString(QKeySequence::NativeText);
}

namespace {

// The style's options carry the caption but not the action; captions are unique in the menu.
const QAction* ActionByCaption(const QWidget* widget, const QString& caption) {
    const auto* menu = qobject_cast<const QMenu*>(widget);
    if (!menu) return nullptr;
    for (const QAction* action : menu->actions())
        if (!action->isSeparator() && action->text() == caption) return action;
    return nullptr;
}

bool OwnItem(const QStyleOption* option) {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    return item && item->menuItemType != QStyleOptionMenuItem::Separator;
}

}  // namespace

void MenuItemPainter::Install(QMenu& menu) {
    auto* painter = new MenuItemPainter;
    painter->setParent(&menu);
    for (QAction* action : menu.actions()) action->setShortcutVisibleInContextMenu(false);
    menu.setStyle(painter);
}

QString MenuItemPainter::MeasuredText(const QAction& action) {
    return action.text() + " " + ShortcutText(action);
}

QSize MenuItemPainter::ItemSize(const QMenu& menu, const QAction& action) {
    const QFontMetrics metrics(menu.font());
    return {
        metrics.horizontalAdvance(MeasuredText(action)) + kExtraWidthPx + MenuItemPainter::kShortcutGapPx,
        metrics.height() + kExtraHeightPx};
}

QSize MenuItemPainter::sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                                         const QWidget* widget) const {
    if (type == CT_MenuItem && OwnItem(option)) {
        const auto* item = static_cast<const QStyleOptionMenuItem*>(option);
        if (const QAction* action = ActionByCaption(widget, item->text))
            return ItemSize(*static_cast<const QMenu*>(widget), *action);
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

void MenuItemPainter::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                   const QWidget* widget) const {
    const QAction* action = nullptr;
    if (element == CE_MenuItem && OwnItem(option))
        action = ActionByCaption(widget, static_cast<const QStyleOptionMenuItem*>(option)->text);
    if (!action) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const bool selected = option->state & State_Selected;
    const QPalette& colours = option->palette;
    const QRect& item = option->rect;
    painter->save();
    painter->fillRect(item, colours.color(selected ? QPalette::Highlight : QPalette::Window));
    const QPalette::ColorGroup group = action->isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter->setPen(colours.color(group, selected ? QPalette::HighlightedText : QPalette::WindowText));
    painter->setFont(static_cast<const QStyleOptionMenuItem*>(option)->font);
    painter->drawText(item.adjusted(kCaptionLeftPx, kTextTopPx, 0, 0),
                      Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, action->text());
    painter->drawText(item.adjusted(0, kTextTopPx, -kShortcutRightPx, 0),
                      Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine, ShortcutText(*action));
    painter->restore();
}

}  // namespace corvalin
