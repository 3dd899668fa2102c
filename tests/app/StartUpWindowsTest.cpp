// The splash window of the start-up and the main window's title.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPalette>
#include <QPointer>
#include <filesystem>

#include "app/MainWindow.h"
#include "app/SplashWindow.h"
#include "app/WindowFixture.h"
#include "engine/SimulatedTime.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;

using test::TempDir;

using ReaderWindow = test::QuietReaderWindow;

TEST(StartUpWindowsTest, TheSplashShowsDuringStartUpAndGoesWhenTheWindowShows) {
    TempDir folder;
    QPointer<TAA_Splash> splash = new TAA_Splash;
    splash->ShowNow();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(256, 136)) << "the picture and the bar below it";
    ReaderWindow window(folder.path());
    splash->CloseWhenShown(window);
    Settle();
    ASSERT_TRUE(splash) << "the window is made but not shown yet";
    EXPECT_TRUE(splash->isVisible());

    window.FirstStart();
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(splash.isNull() || !splash->isVisible()) << "hidden as the window shows";
    Settle();
    EXPECT_TRUE(splash.isNull()) << "and freed";
}

TEST(StartUpWindowsTest, AWindowThatGoesAwayUnseenTakesTheSplashWithIt) {
    TempDir folder;
    QPointer<TAA_Splash> splash = new TAA_Splash;
    splash->ShowNow();
    {
        ReaderWindow window(folder.path());
        splash->CloseWhenShown(window);
    }
    Settle();
    EXPECT_TRUE(splash.isNull());
}

TEST(StartUpWindowsTest, TheProgressBarIsBlackUpToTheProgress) {
    struct Row {
        const char* name;
        int done;
        int total;
        int px;
    };
    const Row rows[] = {
        {"nothing yet", 0, 3, 0},
        {"one of three", 1, 3, 85},
        {"all", 3, 3, 256},
        {"beyond the end", 5, 3, 256},
        {"below zero", -1, 3, 0},
        {"no total", 1, 0, 0},
        {"large counts", 65519, 65519, 256},
    };
    TAA_Splash splash;
    splash.ShowNow();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        splash.SetProgress(row.done, row.total);
        EXPECT_EQ(splash.ProgressPx(), row.px);
        const QImage picture = splash.grab().toImage();
        const int barY = TAA_Splash::kPictureHeightPx + TAA_Splash::kBarHeightPx / 2;
        const QColor face = splash.palette().color(QPalette::Button);
        if (row.px > 0) {
            EXPECT_EQ(picture.pixelColor(row.px - 1, barY), QColor(Qt::black));
        }
        if (row.px < TAA_Splash::kPictureWidthPx) {
            EXPECT_EQ(picture.pixelColor(row.px, barY), face);
        }
    }
}

TEST(StartUpWindowsTest, TheTitleNamesTheProgramAndItsVersion) {
    TempDir folder;
    ReaderWindow window(folder.path());
    EXPECT_EQ(window.windowTitle().toStdString(), "Corvalindestrum Professional 3.1");
}

}  // namespace
}  // namespace corvalin
