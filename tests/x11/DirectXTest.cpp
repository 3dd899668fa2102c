// The "Direct X" scroll mode on a real X server (Xvfb): the off-screen page images are pixmaps in
// the server, read back here and compared with the page drawn whole at each image's phase.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/ScreenPictures.h"
#include "app/ScreenPresentation.h"
#include "app/WindowFixture.h"
#include "render/PageComposition.h"

namespace corvalin {
namespace {

using test::FirstDifferentRow;
using test::FullRepaint;
using test::OnScreen;
using test::SettleWithServer;
using test::WaitUntilExposed;

constexpr int32_t kAntialiasing4x4 = 3;

// The page drawn whole at coverage phase `phase`, as an image of the server's pixel kind.
QImage WholeAtPhase(VEMRenderParag& view, int32_t phase) {
    QImage page(view.pageWidthPx, view.pageHeightPx, QImage::Format_BGR888);
    PixelImage image{page.bits(), view.pageWidthPx, view.pageHeightPx, int(page.bytesPerLine())};
    DrawRows(view, image, 0, true, phase, 0, 0, view.pageHeightPx);
    return page.convertToFormat(QImage::Format_RGB32);
}

class DirectXTest : public test::GuideBookTest {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        GuideBookTest::SetUp();
    }

    // The window open on the guide with "Direct X", 4 x 4 and the Super Scroll level, moving.
    void StartMoving(TAA_Main& window, int32_t superScroll, int32_t linesPerSecond = 100,
                     int32_t limit = 100) {
        window.FirstStart(book_);
        WaitUntilExposed(window);
        VEMOptions& options = window.Options();
        options.BeginUpdate();
        options.Set(Setting::QualityPriority, 1);
        options.Set(Setting::Antialiasing, kAntialiasing4x4);
        options.Set(Setting::ScrollMode, kScrollDirectX);
        options.Set(Setting::AutoMode, kModeScroll);
        options.Set(Setting::SuperScroll, superScroll);
        options.Set(Setting::LinesPerSecond, linesPerSecond);
        options.Set(Setting::SuperScrollLimit, limit);
        options.EndUpdate();
        window.ToggleAutoScroll();
        SettleWithServer();
        ASSERT_TRUE(window.Presentation().Active());
        ASSERT_EQ(window.View().superScrollLevel, superScroll);
        // The picture is composed by the first paint; the images start from it.
        ASSERT_TRUE(window.Picture().Valid());
        shows_.clear();
        window.Presentation().OnShown = [this](int32_t surface, int64_t) { shows_.push_back(surface); };
    }

    static void Steps(TAA_Main& window, int count) {
        for (int i = 0; i < count; ++i) window.Engine().StepAutoScroll();
    }

    // Every image in use holds the page drawn whole at its phase.
    static void ExpectImagesMatchTheLayout(TAA_Main& window,
                                           const std::vector<std::pair<int32_t, int32_t>>& images) {
        const VEM_DDraw* ddraw = window.Presentation().DDraw();
        ASSERT_NE(ddraw, nullptr);
        for (const auto& [surface, phase] : images) {
            SCOPED_TRACE("image " + std::to_string(surface));
            ASSERT_TRUE(window.Presentation().SurfaceValidFlag(surface));
            EXPECT_EQ(FirstDifferentRow(ddraw->ReadBack(surface), WholeAtPhase(window.View(), phase)), -1);
        }
    }

    std::vector<int32_t> shows_;
};

TEST_F(DirectXTest, EachPhaseImageIsThePageAtItsPhaseAfterSteps) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window, 3);
    Steps(window, 13);
    SettleWithServer();
    ExpectImagesMatchTheLayout(window, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
    // Not the same picture four times: the phases raise the text by quarter pixels.
    EXPECT_NE(FirstDifferentRow(WholeAtPhase(window.View(), 0), WholeAtPhase(window.View(), 2)), -1);
    // Each step showed the four quarter positions, ending with the whole one on the screen.
    ASSERT_EQ(shows_.size(), 13u * 4);
    for (size_t i = 0; i < shows_.size(); ++i) EXPECT_EQ(shows_[i], int32_t((i + 1) % 4)) << i;
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);
    EXPECT_EQ(window.Engine().Statistics().SubStepsTotal, 13 * 3);
}

TEST_F(DirectXTest, LevelOneAt4x4ShowsHalfPixelsFromImagesZeroAndTwo) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window, 1);
    Steps(window, 9);
    SettleWithServer();
    ExpectImagesMatchTheLayout(window, {{0, 0}, {2, 2}});
    EXPECT_FALSE(window.Presentation().SurfaceValidFlag(1));
    EXPECT_FALSE(window.Presentation().SurfaceValidFlag(3));
    ASSERT_EQ(shows_.size(), 9u * 2);
    for (size_t i = 0; i < shows_.size(); ++i) EXPECT_EQ(shows_[i], i % 2 == 0 ? 2 : 0) << i;
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);
}

TEST_F(DirectXTest, AboveTheLimitEachStepShowsOnceAndTheImagesStayCurrent) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window, 3, 200, 100);
    Steps(window, 11);
    SettleWithServer();
    EXPECT_EQ(shows_, std::vector<int32_t>(11, 0));
    ExpectImagesMatchTheLayout(window, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
    EXPECT_EQ(window.Engine().Statistics().SubStepsTotal, 0);
}

TEST_F(DirectXTest, MovingTheWindowOrMovingTheTextOtherwiseDrawsTheImagesWhole) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window, 3);
    // A window that lies wholly on the screen, wherever it moves.
    window.showNormal();
    window.setGeometry(40, 40, 900, 700);
    SettleWithServer();
    Steps(window, 3);
    ScreenPresentation& presentation = window.Presentation();
    const int64_t whole = presentation.WholeDrawings();
    Steps(window, 3);
    EXPECT_EQ(presentation.WholeDrawings(), whole);  // steps keep them current

    window.move(window.x() + 37, window.y() + 23);
    SettleWithServer();
    Steps(window, 1);
    EXPECT_EQ(presentation.WholeDrawings(), whole + 4);
    Steps(window, 2);
    SettleWithServer();
    ExpectImagesMatchTheLayout(window, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);

    // A line down is not a step: the picture is composed whole, and so are the images after it.
    window.LineDown();
    SettleWithServer();
    const int64_t afterMove = presentation.WholeDrawings();
    Steps(window, 2);
    EXPECT_EQ(presentation.WholeDrawings(), afterMove + 4);
    SettleWithServer();
    ExpectImagesMatchTheLayout(window, {{0, 0}, {1, 1}, {2, 2}, {3, 3}});
}

TEST_F(DirectXTest, TheOptionsPanelAreaIsNeverCopiedOver) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window, 0);
    Steps(window, 2);
    SettleWithServer();
    const QImage before = OnScreen(window);
    window.SetOptionsPanelHeight(120);
    const QRect panel = window.OptionsPanelArea();
    ASSERT_FALSE(panel.isEmpty());
    Steps(window, 17);
    SettleWithServer();
    const QImage after = OnScreen(window);
    const QImage whole = FullRepaint(window.View());
    const test::AroundPanel around = test::CompareAroundPanel(before, after, whole, panel);
    EXPECT_TRUE(around.panelKept);
    EXPECT_TRUE(around.restShown);
    // The steps did move the text under it.
    EXPECT_NE(FirstDifferentRow(before, whole), -1);
}

TEST_F(DirectXTest, LeavingTheModeFreesTheImagesAndTheLevels) {
    test::QuietReaderWindow window(folder_.path());
    StartMoving(window, 3);
    EXPECT_EQ(window.Presentation().SurfaceCount(), 4);
    EXPECT_TRUE(window.ViewLevels().superScroll[3]);
    window.Options().Set(Setting::ScrollMode, kScrollHardware);
    EXPECT_FALSE(window.Presentation().Active());
    EXPECT_EQ(window.Presentation().SurfaceCount(), 0);
    EXPECT_FALSE(window.ViewLevels().superScroll[1]);
    // The chosen level is no longer available: back to "Disabled".
    EXPECT_EQ(window.Options().Get(Setting::SuperScroll), 0);
    EXPECT_EQ(window.View().superScrollLevel, 0);
    EXPECT_FALSE(window.View().surfaceActive);
}

}  // namespace
}  // namespace corvalin
