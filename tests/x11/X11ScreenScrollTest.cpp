// The "Hardware" step on a real X server: the surface's window moves its pixels inside the
// server and receives only the uncovered row, and whatever the server could not keep (a window
// laid over the surface) is drawn again from the page picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QWidget>
#include <QWindow>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/ScreenPictures.h"
#include "app/UnexpectedErrors.h"
#include "app/WindowFixture.h"

namespace corvalin {
namespace {

using test::FirstDifferentRow;
using test::FullRepaint;
using test::OnScreen;
using test::PaintWatch;
using test::SettleWithServer;
using test::WaitUntilExposed;

class X11ScreenScrollTest : public test::GuideBookTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        GuideBookTest::SetUp();
    }

    // The window open on the guide, moving in "Hardware" scroll mode, its picture on the screen.
    void StartMoving(TAA_Main& window) {
        window.FirstStart(book_);
        WaitUntilExposed(window);
        VEMOptions& options = window.Options();
        options.Set(Setting::QualityPriority, 1);
        options.Set(Setting::ScrollMode, kScrollHardware);
        options.Set(Setting::AutoMode, kModeScroll);
        window.ToggleAutoScroll();
        SettleWithServer();
        ASSERT_TRUE(window.Picture().Valid());
    }

    static void Steps(TAA_Main& window, int count) {
        for (int i = 0; i < count; ++i) window.Engine().StepAutoScroll();
    }
};

TEST_F(X11ScreenScrollTest, StepsMoveTheWindowInTheServerWithoutAPaint) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window);
    PaintWatch watch(window.Surface());
    Steps(window, 37);
    SettleWithServer();
    EXPECT_TRUE(watch.painted.empty()) << watch.painted.size() << " paints";
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);

    // Full screen and back: the window keeps its native windows (new widget flags would make
    // Qt build them again, and Qt would go on drawing into the surface's destroyed one).
    window.ToggleFullScreen();
    WaitUntilExposed(window);
    SettleWithServer();
    Steps(window, 23);
    SettleWithServer();
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);
}

TEST_F(X11ScreenScrollTest, WhatACoveringWindowHidAndExposedIsDrawnFromThePicture) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window);
    Steps(window, 5);

    // A window without a frame over the middle of the surface while the text moves on: the
    // server cannot copy what it covers, and uncovering it exposes what Qt last painted.
    QWidget cover(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    cover.setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::red);
    cover.setPalette(palette);
    TVEMScroll& surface = window.Surface();
    const QPoint middle = surface.mapToGlobal(QPoint(surface.width() / 4, surface.height() / 3));
    cover.setGeometry(middle.x(), middle.y(), surface.width() / 2, surface.height() / 3);
    cover.show();
    WaitUntilExposed(cover);
    Steps(window, 25);
    SettleWithServer();
    cover.hide();
    SettleWithServer();
    Steps(window, 3);
    SettleWithServer();

    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);
}

TEST_F(X11ScreenScrollTest, TheOpenOptionsPanelStaysWhileTheTextMovesUnderIt) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window);
    window.ToggleOptionsPanel();
    SettleWithServer();
    const QRect panel = window.OptionsPanelArea();
    ASSERT_FALSE(panel.isEmpty());
    const QImage before = OnScreen(window);
    Steps(window, 31);
    SettleWithServer();
    const QImage after = OnScreen(window);
    const QImage whole = FullRepaint(window.View());
    const test::AroundPanel around = test::CompareAroundPanel(before, after, whole, panel);
    EXPECT_TRUE(around.panelKept);
    EXPECT_TRUE(around.restShown);
    EXPECT_NE(FirstDifferentRow(before, after), -1) << "the text moved";

    // Closed again, the page is whole where the panel was.
    window.ToggleOptionsPanel();
    SettleWithServer();
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);
}

}  // namespace
}  // namespace corvalin

int main(int argc, char** argv) {
    // Without a display the tests skip themselves instead of failing to start.
    if (!std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    corvalin::ReaderApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
