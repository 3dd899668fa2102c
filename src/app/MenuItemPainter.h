#pragma once

#include <QProxyStyle>

class QAction;
class QMenu;

namespace corvalin {

// Draws the items of the context menu itself: the caption 6 pixels in, the shortcut
// right-aligned 9 pixels short of the item's right edge, on the menu colour or, for the
// selected item, the highlight colour. An item is as wide as its caption, a space and its
// shortcut, plus 15 pixels and a gap, and as high as that text plus 5. Separators stay the
// style's.
class MenuItemPainter : public QProxyStyle {
public:
    // Between the caption and its shortcut, beyond the one space the width is measured with: a
    // desktop menu adds a column of its own to items a program draws itself, which Qt does not,
    // and without it a long caption runs into its shortcut.
    static constexpr int kShortcutGapPx = 20;

    // Puts the painter on `menu`; the menu owns it. The menu's own shortcut column is turned
    // off, since the painter draws the shortcuts.
    static void Install(QMenu& menu);

    // The text of the item of `action` as it is measured: caption, a space, shortcut.
    static QString MeasuredText(const QAction& action);
    // "Ins", "Num +", "Esc": the shortcut as the item shows it.
    static QString ShortcutText(const QAction& action);
    static QSize ItemSize(const QMenu& menu, const QAction& action);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

private:
    MenuItemPainter() = default;
};

}  // namespace corvalin
