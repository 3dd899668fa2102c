// The tool bar and the context menu of the main window, each driven as the reader clicks them.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMetaObject>
#include <QTextBrowser>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/ToolBar.h"
#include "app/UserGuideWindow.h"
#include "app/WindowFixture.h"
#include "engine/SimulatedTime.h"
#include "import/ImportFile.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;

using test::TempDir;

class ReaderWindow : public test::QuietReaderWindow {
public:
    explicit ReaderWindow(const std::filesystem::path& folder, bool runMainLoop = false)
        : QuietReaderWindow(folder, runMainLoop) {
        // The box would wait for a person.
        UnexpectedErrors().show = [this](const QString& message) { shown.push_back(message.toStdString()); };
    }
    std::vector<std::string> shown;
};

void Press(QWidget& widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

QAction& MenuItem(TAA_Main& window, const char* name) {
    QAction* action = window.PopupMenu().findChild<QAction*>(name);
    if (!action) throw std::logic_error(std::string("no menu item ") + name);
    return *action;
}

QAction& Button(TAA_Main& window, const char* name) {
    QAction* action = window.ToolBar().Button(name);
    if (!action) throw std::logic_error(std::string("no tool button ") + name);
    return *action;
}

using ToolBarMenuTest = test::GuideBookTest;

TEST_F(ToolBarMenuTest, TheToolBarHasItsButtonsWithTheirHints) {
    struct Row {
        const char* name;
        const char* hint;
        bool checkable;
        bool enabled;
    };
    const Row rows[] = {
        {"ToolButton1", "Open the Book", false, true},
        {"ToolButtonScroll", "Scroll text automatically (Ins)", true, true},
        {"ToolButtonOrig", "Change Text Formating", true, true},
        {"ToolButton3", "Options", true, true},
        {"ToolButton2", "Add Bookmark", false, true},
        {"ToolButton4", "Bookmarks", false, true},
        {"ToolButton6", "Minimize", false, true},
        {"ToolButton5", "Full Screen", false, true},
        {"ToolButtonExit", "Exit", false, true},
    };
    ReaderWindow window(folder_.path());
    std::vector<std::string> order;
    for (QAction* action : window.ToolBar().actions())
        if (!action->objectName().isEmpty()) order.push_back(action->objectName().toStdString());
    std::vector<std::string> expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        expected.push_back(row.name);
        const QAction& button = Button(window, row.name);
        EXPECT_EQ(button.toolTip().toStdString(), row.hint);
        EXPECT_EQ(button.isCheckable(), row.checkable);
        EXPECT_EQ(button.isEnabled(), row.enabled);
        EXPECT_FALSE(button.icon().isNull());
    }
    EXPECT_EQ(order, expected) << "left to right";
}

TEST_F(ToolBarMenuTest, TheScrollButtonFollowsTheMovementWhicheverWayItIsSwitched) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    ASSERT_TRUE(window.BookOpen());
    QAction& scroll = Button(window, "ToolButtonScroll");
    EXPECT_FALSE(scroll.isChecked());

    Press(window.Surface(), Qt::Key_Insert);
    EXPECT_TRUE(window.Options().AutoScrollOn());
    EXPECT_TRUE(scroll.isChecked());
    EXPECT_FALSE(window.ToolBar().HintsShown()) << "no hints over moving text";
    Press(window.Surface(), Qt::Key_Insert);
    EXPECT_FALSE(scroll.isChecked());
    EXPECT_TRUE(window.ToolBar().HintsShown());

    scroll.trigger();
    EXPECT_TRUE(window.Options().AutoScrollOn());
    EXPECT_TRUE(scroll.isChecked());
    scroll.trigger();
    EXPECT_FALSE(window.Options().AutoScrollOn());
    EXPECT_FALSE(scroll.isChecked());
}

TEST_F(ToolBarMenuTest, TheScrollButtonStaysUpWhenThereIsNothingToMove) {
    ReaderWindow window(folder_.path());
    window.FirstStart();
    Settle();
    QAction& scroll = Button(window, "ToolButtonScroll");
    scroll.trigger();
    EXPECT_EQ(scroll.isChecked(), window.Options().AutoScrollOn());
}

TEST_F(ToolBarMenuTest, TheOriginalTextButtonSwitchesTheFormatting) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    QAction& original = Button(window, "ToolButtonOrig");
    original.trigger();
    EXPECT_TRUE(window.OriginalText());
    EXPECT_TRUE(original.isChecked());
    original.trigger();
    EXPECT_FALSE(window.OriginalText());

    // "Original" chosen elsewhere (the options panel sets the formatting) presses the button;
    // releasing it returns to the formatting chosen before.
    window.Options().Set(Setting::TextFormatting, 1);
    window.Options().Set(Setting::TextFormatting, 2);
    Settle();
    EXPECT_TRUE(original.isChecked());
    EXPECT_TRUE(window.OriginalText());
    original.trigger();
    Settle();
    EXPECT_FALSE(original.isChecked());
    EXPECT_EQ(window.Options().Get(Setting::TextFormatting), 1);
}

TEST_F(ToolBarMenuTest, MenuItemsCarryTheirCaptionsAndShortcuts) {
    struct Row {
        const char* name;
        const char* caption;
        QKeySequence shortcut;
    };
    const Row rows[] = {
        {"ScrollChange1", "Auto Scroll Start/Stop", QKeySequence(Qt::Key_Insert)},
        {"ConstantVariableSpeed1", "Smooth Scroll / Jump", QKeySequence(Qt::KeypadModifier | Qt::Key_Slash)},
        {"FasterScroll", "Faster to Scroll", QKeySequence(Qt::KeypadModifier | Qt::Key_Plus)},
        {"SlowerScroll", "Slower to Scroll", QKeySequence(Qt::KeypadModifier | Qt::Key_Minus)},
        {"Fullscreen1", "Full screen", QKeySequence(Qt::Key_Backslash)},
        {"Options1", "Options", QKeySequence(Qt::KeypadModifier | Qt::Key_Asterisk)},
        {"CloseApplication1", "Close Application", QKeySequence(Qt::Key_Escape)},
        {"Help1", "Help", QKeySequence(Qt::Key_F1)},
    };
    ReaderWindow window(folder_.path());
    std::vector<std::string> order;
    for (QAction* action : window.PopupMenu().actions())
        if (!action->isSeparator()) order.push_back(action->objectName().toStdString());
    std::vector<std::string> expected;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        expected.push_back(row.name);
        QAction& item = MenuItem(window, row.name);
        EXPECT_EQ(item.text().toStdString(), row.caption);
        EXPECT_EQ(item.shortcut(), row.shortcut);
        EXPECT_TRUE(window.actions().contains(&item)) << "the key acts anywhere in the window";
    }
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(window.PopupMenu().actions().at(4)->isSeparator()) << "full screen starts a group";
}

TEST_F(ToolBarMenuTest, MenuItemsRunTheirCommands) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    ASSERT_TRUE(window.BookOpen());
    const Setting speed = window.Options().Effective(Setting::ConstantSpeed) ? Setting::LinesPerSecond
                                                                             : Setting::CharsPerSecond;
    const int32_t startSpeed = window.Options().Get(speed);
    const bool quality = window.Options().IsSet(Setting::QualityPriority);

    MenuItem(window, "FasterScroll").trigger();
    EXPECT_EQ(window.Options().Get(speed), startSpeed + 1);
    MenuItem(window, "SlowerScroll").trigger();
    MenuItem(window, "SlowerScroll").trigger();
    EXPECT_EQ(window.Options().Get(speed), startSpeed - 1);
    MenuItem(window, "ConstantVariableSpeed1").trigger();
    EXPECT_NE(window.Options().IsSet(Setting::QualityPriority), quality);
    MenuItem(window, "ScrollChange1").trigger();
    EXPECT_TRUE(window.Options().AutoScrollOn());
    MenuItem(window, "ScrollChange1").trigger();
    EXPECT_FALSE(window.Options().AutoScrollOn());
    MenuItem(window, "Options1").trigger();
    EXPECT_TRUE(window.OptionsPanelOpen());
    MenuItem(window, "Options1").trigger();
    EXPECT_FALSE(window.OptionsPanelOpen());
    // The guide shows in the program's own help window, after full screen was left, whatever
    // lies beside the program.
    ASSERT_TRUE(window.isFullScreen()) << "without Global.cfg the reader starts in full screen";
    MenuItem(window, "Help1").trigger();
    EXPECT_FALSE(window.isFullScreen());
    ASSERT_NE(window.GuideWindow(), nullptr);
    EXPECT_TRUE(window.GuideWindow()->isVisible());
    EXPECT_EQ(window.GuideWindow()->windowTitle(), window.Text("Menu_07"));
    const QString guide = window.GuideWindow()->Browser().toPlainText();
    EXPECT_TRUE(guide.contains("Automatic movement")) << guide.left(200).toStdString();
    EXPECT_TRUE(guide.contains("Page Down"));

    MenuItem(window, "CloseApplication1").trigger();
    Settle();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(std::filesystem::exists(folder_.path() / "Global.cfg"));
}

TEST_F(ToolBarMenuTest, FullScreenAndBackRestoresTheNormalRectangle) {
    ReaderWindow window(folder_.path());
    window.FirstStart();
    Settle();
    if (window.isFullScreen()) MenuItem(window, "Fullscreen1").trigger();  // the factory start
    Settle();
    ASSERT_FALSE(window.isFullScreen());
    window.setGeometry(30, 20, 700, 500);
    Settle();

    MenuItem(window, "Fullscreen1").trigger();
    Settle();
    EXPECT_TRUE(window.isFullScreen());
    EXPECT_TRUE(window.StaysOnTop());
    EXPECT_EQ(window.geometry().topLeft(), QPoint(0, 0));
    Button(window, "ToolButton5").trigger();
    Settle();
    EXPECT_FALSE(window.isFullScreen());
    EXPECT_FALSE(window.StaysOnTop());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.geometry(), QRect(30, 20, 700, 500));
    EXPECT_EQ(window.focusWidget(), &window.Surface());
}

TEST_F(ToolBarMenuTest, TheNormalPlacementIsSavedAndComesBackAtTheNextStart) {
    const QRect placed(50, 40, 700, 500);
    {
        ReaderWindow window(folder_.path());
        window.FirstStart();
        Settle();
        EXPECT_TRUE(window.isFullScreen()) << "without Global.cfg the reader starts in full screen";
        window.showNormal();
        window.setGeometry(placed);
        Settle();
        window.SaveSettings();
    }
    {
        ReaderWindow window(folder_.path());
        window.FirstStart();
        Settle();
        EXPECT_FALSE(window.isFullScreen());
        EXPECT_FALSE(window.isMaximized());
        EXPECT_EQ(window.geometry(), placed);
        MenuItem(window, "Fullscreen1").trigger();
        Settle();
        window.SaveSettings();
    }
    ReaderWindow window(folder_.path());
    window.FirstStart();
    Settle();
    EXPECT_TRUE(window.isFullScreen()) << "full screen is saved as the mode";
}

TEST_F(ToolBarMenuTest, AnErrorInsideTheRunningWindowIsLoggedAndEndsTheSessionUnsaved) {
    ReaderWindow window(folder_.path(), true);
    window.FirstStart(book_);
    QMetaObject::invokeMethod(
        &window, [] { throw std::runtime_error("Range check error"); }, Qt::QueuedConnection);
    // The first show has posted the main loop; this returns once the loop has.
    QCoreApplication::processEvents();

    EXPECT_FALSE(window.Engine().LoopActive());
    EXPECT_FALSE(window.isVisible());
    ASSERT_EQ(window.shown.size(), 1u);
    EXPECT_NE(window.shown[0].find("Range check error"), std::string::npos);
    const std::vector<uint8_t> bytes = test::ReadBytes(folder_.path() / kErrorLogFileName);
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(log.find("Internal error"), std::string::npos) << log;
    EXPECT_NE(log.find("Range check error\r\n"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / "Global.cfg"))
        << "the state behind the failure is not saved";
}

}  // namespace
}  // namespace corvalin
