// The context menu's items as the program measures and draws them.
#include <gtest/gtest.h>

#include <QAction>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <algorithm>
#include <filesystem>
#include <string>

#include "app/MainWindow.h"
#include "app/MenuItemPainter.h"
#include "app/WindowFixture.h"
#include "engine/SimulatedTime.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

using ReaderWindow = test::QuietReaderWindow;

class PopupMenuPaintTest : public ::testing::Test {
protected:
    QAction& Item(const char* name) {
        QAction* action = menu_.findChild<QAction*>(name);
        if (!action) throw std::logic_error(std::string("no menu item ") + name);
        return *action;
    }

    TempDir folder_;
    ReaderWindow window_{folder_.path()};
    QMenu& menu_ = window_.PopupMenu();
};

TEST_F(PopupMenuPaintTest, AnItemIsItsCaptionAndShortcutPlusTheMargins) {
    struct Row {
        const char* name;
        const char* measured;  // caption, a space, the shortcut
    };
    const Row rows[] = {
        {"ScrollChange1", "Auto Scroll Start/Stop Ins"},
        {"ConstantVariableSpeed1", "Smooth Scroll / Jump Num /"},
        {"FasterScroll", "Faster to Scroll Num +"},
        {"SlowerScroll", "Slower to Scroll Num -"},
        {"Options1", "Options Num *"},
        {"Fullscreen1", "Full screen \\"},
        {"CloseApplication1", "Close Application Esc"},
        {"Help1", "Help F1"},
    };
    const QFontMetrics metrics(menu_.font());
    menu_.ensurePolished();
    menu_.adjustSize();
    int widest = 0;
    for (QAction* action : menu_.actions())
        if (!action->isSeparator())
            widest = std::max(widest, metrics.horizontalAdvance(MenuItemPainter::MeasuredText(*action)) +
                                          15 + MenuItemPainter::kShortcutGapPx);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QAction& item = Item(row.name);
        EXPECT_EQ(MenuItemPainter::MeasuredText(item).toStdString(), row.measured);
        const QRect rect = menu_.actionGeometry(&item);
        EXPECT_EQ(rect.height(), metrics.height() + 5);
        // The menu gives every item the widest item's width, and adds no column of its own.
        EXPECT_EQ(rect.width(), widest);
        // The shortcut never runs into the caption.
        const int captionEnd = 6 + metrics.horizontalAdvance(item.text());
        const int shortcutStart =
            rect.width() - 9 - metrics.horizontalAdvance(MenuItemPainter::ShortcutText(item));
        EXPECT_GE(shortcutStart - captionEnd, MenuItemPainter::kShortcutGapPx);
    }
}

TEST_F(PopupMenuPaintTest, TheSelectedItemIsOnTheHighlightColour) {
    menu_.popup(QPoint(10, 10));
    QAction& selected = Item("FasterScroll");
    menu_.setActiveAction(&selected);
    const QImage picture = menu_.grab().toImage();
    const QPalette& colours = menu_.palette();
    const QRect on = menu_.actionGeometry(&selected);
    const QRect off = menu_.actionGeometry(&Item("SlowerScroll"));
    EXPECT_EQ(picture.pixel(on.left() + 1, on.top() + 1), colours.color(QPalette::Highlight).rgb());
    EXPECT_EQ(picture.pixel(off.left() + 1, off.top() + 1), colours.color(QPalette::Window).rgb());
    // The shortcut ends 9 pixels short of the right edge: nothing drawn in that strip.
    for (int x = off.right() - 8; x <= off.right(); ++x)
        for (int y = off.top(); y <= off.bottom(); ++y)
            ASSERT_EQ(picture.pixel(x, y), colours.color(QPalette::Window).rgb()) << x << "," << y;
    bool shortcutDrawn = false;
    for (int x = off.right() - 20; x < off.right() - 8; ++x)
        for (int y = off.top(); y <= off.bottom(); ++y)
            shortcutDrawn = shortcutDrawn || picture.pixel(x, y) != colours.color(QPalette::Window).rgb();
    EXPECT_TRUE(shortcutDrawn);
    menu_.hide();
}

}  // namespace
}  // namespace corvalin
