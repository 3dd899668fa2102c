// The tool buttons' hints in the program's own hint window.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QImage>
#include <QScreen>
#include <QToolButton>
#include <filesystem>
#include <string>

#include "app/HintWindow.h"
#include "app/MainWindow.h"
#include "app/ToolBar.h"
#include "app/WindowFixture.h"
#include "engine/SimulatedTime.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

using ReaderWindow = test::QuietReaderWindow;

QToolButton& ButtonWidget(TAA_Main& window, const char* name) {
    auto* button = window.ToolBar().findChild<QToolButton*>(name);
    if (!button) throw std::logic_error(std::string("no tool button ") + name);
    return *button;
}

// What Qt sends once the pointer has rested on the button for the style's delay.
void RestPointerOn(QWidget& button, const QPoint& globalPos) {
    QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), globalPos);
    QCoreApplication::sendEvent(&button, &event);
}

class HintWindowTest : public ::testing::Test {
protected:
    TempDir folder_;
    ReaderWindow window_{folder_.path()};
    TVEMHintWindow& hint_ = window_.ToolBar().HintWindow();
};

TEST_F(HintWindowTest, AButtonsHintShowsBelowThePointerInTheProgramsWindow) {
    struct Row {
        const char* name;
        const char* hint;
    };
    const Row rows[] = {{"ToolButton1", "Open the Book"},
                        {"ToolButtonScroll", "Scroll text automatically (Ins)"},
                        {"ToolButtonExit", "Exit"}};
    window_.FirstStart();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RestPointerOn(ButtonWidget(window_, row.name), QPoint(100, 20));
        EXPECT_TRUE(hint_.isVisible());
        EXPECT_EQ(hint_.HintText().toStdString(), row.hint);
        EXPECT_EQ(hint_.pos(), QPoint(102, 36));
        EXPECT_EQ(hint_.size(), hint_.HintSize(row.hint));
    }
    const QSize one = hint_.HintSize("x");
    const QSize longer = hint_.HintSize("xxxxxxxxxx");
    EXPECT_GT(longer.width(), one.width());
    EXPECT_EQ(longer.height(), one.height());
    EXPECT_EQ(one.height(), QFontMetrics(hint_.font()).height() + 10);
}

TEST_F(HintWindowTest, LeavingOrPressingTheButtonHidesTheHint) {
    window_.FirstStart();
    QToolButton& button = ButtonWidget(window_, "ToolButton2");
    for (const QEvent::Type type : {QEvent::Leave, QEvent::MouseButtonPress}) {
        RestPointerOn(button, QPoint(50, 20));
        ASSERT_TRUE(hint_.isVisible());
        if (type == QEvent::Leave) {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&button, &leave);
        } else {
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(50, 20), Qt::LeftButton,
                              Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(&button, &press);
        }
        EXPECT_FALSE(hint_.isVisible()) << type;
    }
}

TEST_F(HintWindowTest, NoHintWhileHintsAreOff) {
    window_.FirstStart();
    QToolButton& button = ButtonWidget(window_, "ToolButton5");
    RestPointerOn(button, QPoint(50, 20));
    ASSERT_TRUE(hint_.isVisible());
    StateDecision moving;
    moving.toolHintsShown = false;
    window_.ToolBar().ApplyDecision(moving);
    EXPECT_FALSE(hint_.isVisible()) << "a hint already up goes";
    RestPointerOn(button, QPoint(50, 20));
    EXPECT_FALSE(hint_.isVisible());
}

TEST_F(HintWindowTest, TheHintIsDrawnInAFrameOnBlack) {
    hint_.ActivateHint("Full Screen", QPoint(0, 0));
    const QImage picture = hint_.grab().toImage();
    const QPalette& colours = hint_.palette();
    EXPECT_EQ(picture.pixel(0, 0), QColor(Qt::black).rgb());
    EXPECT_EQ(picture.pixel(picture.width() - 1, picture.height() - 1), QColor(Qt::black).rgb());
    EXPECT_EQ(picture.pixel(2, 2), colours.color(QPalette::Dark).rgb()) << "shadow top-left";
    EXPECT_EQ(picture.pixel(picture.width() - 3, picture.height() - 3), colours.color(QPalette::Light).rgb())
        << "highlight bottom-right";
    EXPECT_EQ(picture.pixel(4, 4), QColor(0xBB, 0xCD, 0xB4).rgb()) << "the field";
    bool anyText = false;
    for (int x = 9; x < picture.width() - 4; ++x)
        for (int y = 6; y < picture.height() - 4; ++y)
            anyText = anyText || picture.pixelColor(x, y).lightness() < 64;
    EXPECT_TRUE(anyText) << "black text on the field";
}

TEST(HintWindow, AHintNearTheScreensEdgeStaysWhole) {
    TVEMHintWindow hint;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    hint.ActivateHint("Exit", QPoint(screen.right() - 3, screen.bottom() - 2));
    EXPECT_TRUE(screen.contains(hint.geometry())) << "a hint at the corner is cut off";
    EXPECT_EQ(hint.geometry().right(), screen.right());
    hint.ActivateHint("Open the Book", QPoint(100, 100));
    EXPECT_EQ(hint.pos(), QPoint(100, 100)) << "a hint with room stays where it was asked";
}

}  // namespace
}  // namespace corvalin
