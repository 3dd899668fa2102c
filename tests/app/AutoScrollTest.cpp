// Automatic movement in the main window: the steps as they reach the screen, the commands that
// start, stop and pace them, and the main loop's end when the window closes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
#include <QObject>
#include <QPaintEvent>
#include <QPixmap>
#include <QScreen>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/MainWindow.h"
#include "app/ReadingSurface.h"
#include "app/ScreenPictures.h"
#include "app/WindowFixture.h"
#include "engine/SimulatedTime.h"
#include "import/ImportFile.h"
#include "render/PageComposition.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::FirstDifferentRow;
using test::FullRepaint;
using test::OnScreen;
using test::PaintWatch;
using test::Settle;

using test::TempDir;

class ReaderWindow : public test::TestWindow {
public:
    explicit ReaderWindow(const std::filesystem::path& folder, ReaderSetup setup = {nullptr, false})
        : TestWindow(folder, setup) {}
};

void Press(QWidget& widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

void MiddleClick(QWidget& widget) {
    const QPointF at(10, 10);
    QMouseEvent event(QEvent::MouseButtonPress, at, widget.mapToGlobal(at), Qt::MiddleButton,
                      Qt::MiddleButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

struct Position {
    int64_t offset = 0;
    int32_t row = 0;
};

Position PositionOf(const VEMRenderParag& view) {
    Position position;
    view.GetPosition(position.offset, position.row);
    return position;
}

int RowsOf(const QRegion& region) {
    int rows = 0;
    for (const QRect& rect : region) rows += rect.height();
    return rows;
}

using AutoScrollTest = test::GuideBookTest;

TEST_F(AutoScrollTest, StepsReachTheScreenByTheChosenPathAndLeaveTheFullPicture) {
    enum class Paints { OneRow, WaveBand, Whole };
    struct Case {
        const char* name;
        bool quality;
        int32_t scrollMode;
        int32_t autoMode;
        Paints expected;
    };
    const Case cases[] = {
        {"hardware scroll", true, kScrollHardware, kModeScroll, Paints::OneRow},
        {"software", true, kScrollSoftware, kModeScroll, Paints::Whole},
        {"off-screen surfaces not kept: full repaint", true, kScrollDirectX, kModeScroll, Paints::Whole},
        {"hardware wave", true, kScrollHardware, kModeWave, Paints::WaveBand},
        {"speed priority forces hardware scroll", false, kScrollSoftware, kModeWave, Paints::OneRow},
    };
    constexpr int kSteps = 37;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReaderWindow window(folder_.path());
        window.FirstStart(book_);
        VEMOptions& options = window.Options();
        options.Set(Setting::QualityPriority, 1);
        options.Set(Setting::ScrollMode, c.scrollMode);
        options.Set(Setting::AutoMode, c.autoMode);
        options.Set(Setting::QualityPriority, c.quality ? 1 : 0);
        window.ToggleAutoScroll();
        Settle();
        const StateDecision& decision = window.Engine().LastDecision();
        EXPECT_EQ(decision.scrollMode, c.quality ? c.scrollMode : int32_t(kScrollHardware));
        EXPECT_EQ(decision.autoMode, c.quality ? c.autoMode : int32_t(kModeScroll));

        VEMRenderParag& view = window.View();
        const Position start = PositionOf(view);
        PaintWatch watch(window.Surface());
        for (int i = 0; i < kSteps; ++i) window.Engine().StepAutoScroll();
        Settle();

        const Position end = PositionOf(view);
        EXPECT_EQ(end.offset, start.offset);
        EXPECT_EQ(end.row, start.row - kSteps);
        ASSERT_FALSE(watch.painted.empty());
        const QRect page(0, 0, view.pageWidthPx, view.pageHeightPx);
        for (const QRegion& region : watch.painted) {
            switch (c.expected) {
                case Paints::OneRow:
                    EXPECT_EQ(region, QRegion(0, view.pageHeightPx - 1, view.pageWidthPx, 1));
                    break;
                case Paints::WaveBand:
                    EXPECT_LE(RowsOf(region), view.waveBandRows + 1);
                    break;
                case Paints::Whole:
                    EXPECT_EQ(region, QRegion(page));
                    break;
            }
        }
        EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(view)), -1);
    }
}

TEST_F(AutoScrollTest, InsTheMiddleButtonAndMinimisingSwitchTheMovement) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    ScrollEngine& engine = window.Engine();
    EXPECT_FALSE(window.Options().AutoScrollOn());

    Press(window.Surface(), Qt::Key_Insert);
    EXPECT_TRUE(window.Options().AutoScrollOn());
    EXPECT_TRUE(engine.StepEnabled());
    EXPECT_TRUE(window.View().autoRunning);
    EXPECT_TRUE(engine.LastDecision().highPriority);
    EXPECT_FALSE(engine.LastDecision().screenSaverActive);

    Press(window.Surface(), Qt::Key_Insert);
    EXPECT_FALSE(window.Options().AutoScrollOn());
    EXPECT_FALSE(engine.StepEnabled());
    EXPECT_FALSE(window.View().autoRunning);
    EXPECT_FALSE(engine.LastDecision().highPriority);

    MiddleClick(window.Surface());
    EXPECT_TRUE(window.Options().AutoScrollOn());
    MiddleClick(window.Surface());
    EXPECT_FALSE(window.Options().AutoScrollOn());

    // Minimising stops it too, through the same command.
    Press(window.Surface(), Qt::Key_Insert);
    window.showMinimized();
    Settle();
    EXPECT_FALSE(window.Options().AutoScrollOn());
    EXPECT_FALSE(engine.StepEnabled());
}

TEST_F(AutoScrollTest, AVariableSpeedFollowsANewPageSize) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    window.showNormal();
    window.resize(900, 700);
    Settle();
    VEMOptions& options = window.Options();
    options.Set(Setting::QualityPriority, 1);
    options.Set(Setting::ConstantSpeed, 0);
    window.ToggleAutoScroll();
    Settle();
    const int64_t before = window.Engine().StepPeriod();
    // A narrower page holds fewer characters per pixel of height: each pixel takes less time.
    window.resize(640, 700);
    Settle();
    EXPECT_LT(window.Engine().StepPeriod(), before);
}

TEST_F(AutoScrollTest, PlusAndMinusChangeTheSpeedInUseWithinItsRange) {
    struct Case {
        const char* name;
        bool constantSpeed;
        Setting speed;
        int32_t from;
        int key;
        int32_t expected;
    };
    const Case cases[] = {
        {"equals key, lines", true, Setting::LinesPerSecond, 50, Qt::Key_Equal, 51},
        {"plus key, lines", true, Setting::LinesPerSecond, 50, Qt::Key_Plus, 51},
        {"minus key, lines", true, Setting::LinesPerSecond, 50, Qt::Key_Minus, 49},
        {"minus key with shift", true, Setting::LinesPerSecond, 50, Qt::Key_Underscore, 49},
        {"faster at the top", true, Setting::LinesPerSecond, 500, Qt::Key_Plus, 500},
        {"slower at the bottom", true, Setting::LinesPerSecond, 1, Qt::Key_Minus, 1},
        {"slower from 2", true, Setting::LinesPerSecond, 2, Qt::Key_Minus, 1},
        {"variable speed: characters", false, Setting::CharsPerSecond, 30, Qt::Key_Plus, 31},
        {"variable speed at the top", false, Setting::CharsPerSecond, 500, Qt::Key_Equal, 500},
    };
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    VEMOptions& options = window.Options();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        options.Set(Setting::ConstantSpeed, c.constantSpeed);
        options.Set(Setting::LinesPerSecond, 50);
        options.Set(Setting::CharsPerSecond, 30);
        options.Set(c.speed, c.from);
        Press(window.Surface(), c.key);
        EXPECT_EQ(options.Get(c.speed), c.expected);
        const Setting other =
            c.speed == Setting::LinesPerSecond ? Setting::CharsPerSecond : Setting::LinesPerSecond;
        EXPECT_EQ(options.Get(other), other == Setting::LinesPerSecond ? 50 : 30);
        // The step period follows at once (one step is one pixel).
        if (c.constantSpeed) {
            EXPECT_EQ(window.Engine().StepPeriod(), test::kNsPerSecond / c.expected);
        }
    }
}

TEST_F(AutoScrollTest, TheMovementStopsItselfAtTheEndOfTheBook) {
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    window.GoEnd();
    window.ToggleAutoScroll();
    Settle();
    ScrollEngine& engine = window.Engine();
    const int limit = 4 * window.View().pageHeightPx;
    int steps = 0;
    while (window.Options().AutoScrollOn() && steps < limit) {
        engine.StepAutoScroll();
        ++steps;
    }
    EXPECT_FALSE(window.Options().AutoScrollOn());
    EXPECT_FALSE(engine.StepEnabled());
    EXPECT_GT(steps, 1);
    // Nothing moves any more, and the screen shows what a full repaint of the end shows.
    const Position stopped = PositionOf(window.View());
    engine.StepAutoScroll();
    EXPECT_EQ(PositionOf(window.View()).row, stopped.row);
    Settle();
    EXPECT_EQ(FirstDifferentRow(OnScreen(window), FullRepaint(window.View())), -1);
}

TEST_F(AutoScrollTest, ClosingWhileTheTextMovesSavesThePositionAfterTheLoopHasEnded) {
    test::SimulatedTime time;
    PerfTiming timing(time, time);
    constexpr int kStepsBeforeClose = 30;
    constexpr int kRoundLimit = 1'000'000;
    Position atClose;
    int32_t startRow = 0;
    {
        ReaderWindow window(folder_.path(), ReaderSetup{&timing, true});
        window.FirstStart(book_);
        startRow = PositionOf(window.View()).row;
        bool visibleAfterClose = false;
        int rounds = 0;
        // Runs inside the loop's message processing, as a key press would.
        std::function<void()> watch = [&] {
            if (window.Engine().Statistics().StepCount >= kStepsBeforeClose || ++rounds > kRoundLimit) {
                atClose = PositionOf(window.View());
                window.close();
                visibleAfterClose = window.isVisible();
                return;
            }
            QMetaObject::invokeMethod(&window, watch, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(
            &window,
            [&] {
                window.ToggleAutoScroll();
                watch();
            },
            Qt::QueuedConnection);
        // The first show has posted the main loop; this returns once the loop has.
        QCoreApplication::processEvents();

        EXPECT_LE(rounds, kRoundLimit);
        EXPECT_TRUE(visibleAfterClose) << "the window waits for the loop to return";
        EXPECT_FALSE(window.Engine().LoopActive());
        EXPECT_FALSE(window.isVisible());
        EXPECT_FALSE(window.Engine().StepEnabled());
        const Position after = PositionOf(window.View());
        EXPECT_EQ(after.offset, atClose.offset);
        EXPECT_EQ(after.row, atClose.row);
    }
    EXPECT_LT(atClose.row, startRow);

    ReaderWindow again(folder_.path());
    again.FirstStart();
    Settle();
    ASSERT_TRUE(again.BookOpen());
    const Position reopened = PositionOf(again.View());
    EXPECT_EQ(reopened.offset, atClose.offset);
    EXPECT_EQ(reopened.row, std::max(atClose.row, 0));
}

}  // namespace
}  // namespace corvalin
