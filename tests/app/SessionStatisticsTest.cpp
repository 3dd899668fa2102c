// The figures the speed gauge shows: the per-second roll of the steps, driven by the statistics
// timer while the window's loop runs, and the reader's own speed timed between page turns.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <filesystem>
#include <functional>
#include <string>

#include "app/MainWindow.h"
#include "app/WindowFixture.h"
#include "engine/ScrollEngine.h"
#include "engine/SimulatedTime.h"
#include "engine/VEMTimer.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;

using test::kNsPerSecond;

using ReaderWindow = test::TestWindow;

class SessionStatisticsTest : public test::GuideBookTest {
protected:
    test::SimulatedTime time_;
    PerfTiming timing_{time_, time_};
};

// The timer thread is real (it paces itself on the process's clock), so this waits for its
// calls instead of timing them; the session's own clock is simulated.
TEST_F(SessionStatisticsTest, TheTimerRollsTheStepsWhileTheLoopRunsAndIsJoinedBeforeTheClose) {
    // Long enough for a loaded machine; the roll comes after about a second.
    constexpr qint64 kPatienceMs = 60'000;
    ReaderWindow window(folder_.path(), ReaderSetup{&timing_, true});
    window.FirstStart(book_);
    // One pixel a second of simulated time: the small book lasts however long the wait is.
    window.Options().Set(Setting::LinesPerSecond, 1);
    ScrollEngine& engine = window.Engine();

    bool timerDuringLoop = false;
    bool enabledWhileMoving = false;
    bool disabledWhenStopped = false;
    int32_t rolledSteps = 0;
    QElapsedTimer patience;
    std::function<void()> watch = [&] {
        if (engine.Statistics().StepsLastSecond == 0 && patience.elapsed() < kPatienceMs) {
            QMetaObject::invokeMethod(&window, watch, Qt::QueuedConnection);
            return;
        }
        rolledSteps = engine.Statistics().StepsLastSecond;
        window.ToggleAutoScroll();
        disabledWhenStopped = engine.Timer() != nullptr && !engine.Timer()->Enabled();
        window.close();
    };
    QMetaObject::invokeMethod(
        &window,
        [&] {
            timerDuringLoop = engine.Timer() != nullptr && engine.Timer()->Running();
            window.ToggleAutoScroll();
            enabledWhileMoving = engine.Timer() != nullptr && engine.Timer()->Enabled();
            patience.start();
            watch();
        },
        Qt::QueuedConnection);
    // The first show has posted the main loop; this returns once the loop has.
    QCoreApplication::processEvents();

    EXPECT_TRUE(timerDuringLoop);
    EXPECT_TRUE(enabledWhileMoving);
    EXPECT_TRUE(disabledWhenStopped);
    EXPECT_GT(rolledSteps, 0) << "no roll reached the main thread";
    EXPECT_EQ(engine.Timer(), nullptr) << "the timer outlived the loop";
    EXPECT_FALSE(window.isVisible());
}

// A window that never runs its loop never starts the thread, and one that closes before its
// loop ran leaves nothing behind.
TEST_F(SessionStatisticsTest, NoTimerWithoutTheLoop) {
    ReaderWindow window(folder_.path(), ReaderSetup{&timing_, false});
    window.FirstStart(book_);
    Settle();
    EXPECT_EQ(window.Engine().Timer(), nullptr);
    window.close();
    EXPECT_EQ(window.Engine().Timer(), nullptr);
}

TEST_F(SessionStatisticsTest, TwoPageTurnsInARowTimeTheReader) {
    ReaderWindow window(folder_.path(), ReaderSetup{&timing_, false});
    window.FirstStart(book_);
    Settle();
    // Jumps: the timing does not depend on the animation, which only costs the test time.
    window.Options().Set(Setting::SmoothMovement, 0);
    ScrollEngine& engine = window.Engine();
    const int32_t pageHeight = window.View().pageHeightPx;
    ASSERT_GT(pageHeight, 20);

    // The first turn only starts the timing.
    window.NextPage();
    EXPECT_FALSE(engine.ShowMeasured());
    time_.Advance(10 * kNsPerSecond);
    window.NextPage();
    ASSERT_TRUE(engine.ShowMeasured());
    const ManualSpeed measured = engine.MeasuredSpeed();
    EXPECT_EQ(measured.linesPerSecond, (pageHeight + 5) / 10);
    EXPECT_GE(measured.charsPerSecond, 1);

    // A line move between the turns breaks the pair: the next turn takes no sample.
    time_.Advance(5 * kNsPerSecond);
    window.LineUp();
    window.NextPage();
    EXPECT_EQ(engine.MeasuredSpeed().linesPerSecond, measured.linesPerSecond);

    // A page left standing far longer than anyone reads it says nothing either.
    time_.Advance(int64_t(pageHeight) * 3 * kNsPerSecond);
    window.NextPage();
    EXPECT_EQ(engine.MeasuredSpeed().linesPerSecond, measured.linesPerSecond);

    // Moving text shows its own speed instead.
    window.ToggleAutoScroll();
    EXPECT_FALSE(engine.ShowMeasured());
}

}  // namespace
}  // namespace corvalin
