#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/EngineRig.h"
#include "engine/StateDecision.h"
#include "engine/VEMTimer.h"

namespace corvalin {
namespace {

using test::EngineRig;
using test::kNsPerMs;
using test::kNsPerSecond;

TEST(ScrollEnginePageDown, DwellsThirtySecondsOnASixHundredPixelPageAtTwentyLines) {
    EngineRig rig;
    rig.options.Set(Setting::AutoMode, kModePageDown);
    rig.options.Set(Setting::LinesPerSecond, 20);
    rig.view.page.pageHeightPx = 600;
    int64_t switchedOnAt = -1;
    rig.host.script = [&] {
        if (switchedOnAt < 0 && rig.engine.StepEnabled()) switchedOnAt = rig.time.Now();
    };
    // The window has been open a while before the reader switches the movement on.
    rig.time.Advance(5 * kNsPerSecond);
    rig.RunMoving(100.0);

    EXPECT_DOUBLE_EQ(double(rig.engine.PageWaitSeconds()), 30.0);
    EXPECT_TRUE(rig.view.stepTimes.empty());
    const auto& pages = rig.view.pageTimes;
    ASSERT_EQ(pages.size(), 3u);
    int64_t previous = switchedOnAt;
    for (int64_t turn : pages) {
        // Each page stands 30 s; the turn comes within the loop's one-millisecond sleep.
        EXPECT_GE(turn - previous, 30 * kNsPerSecond);
        EXPECT_LT(turn - previous, 30 * kNsPerSecond + 2 * kNsPerMs);
        previous = turn;
    }
}

TEST(ScrollEnginePageDown, LeavingPageDownClearsTheDwell) {
    EngineRig rig;
    rig.options.Set(Setting::AutoMode, kModePageDown);
    bool switched = false;
    long double dwellBefore = 0;
    rig.host.script = [&] {
        if (!switched && rig.time.Now() > 3 * kNsPerSecond) {
            dwellBefore = rig.engine.PageWaitSeconds();
            rig.options.Set(Setting::AutoMode, kModeScroll);
            switched = true;
        }
    };
    rig.RunMoving(3.0);
    EXPECT_GT(double(dwellBefore), 0.0);
    EXPECT_EQ(double(rig.engine.PageWaitSeconds()), 0.0);
    EXPECT_FALSE(rig.view.stepTimes.empty());
}

TEST(ScrollEngineState, PriorityDecidesTheEffectiveModes) {
    struct Row {
        const char* name;
        bool quality;
        bool override;
        int32_t storedAutoMode, storedScrollMode;
        int32_t autoMode, scrollMode;
    };
    const Row rows[] = {
        {"QualityKeepsPageDownAndDirectX", true, false, kModePageDown, kScrollDirectX, kModePageDown,
         kScrollDirectX},
        {"SpeedForcesScrollAndHardware", false, false, kModePageDown, kScrollDirectX, kModeScroll,
         kScrollHardware},
        {"SpeedTurnsWaveAndSoftwareIntoScrollAndHardware", false, false, kModeWave, kScrollSoftware,
         kModeScroll, kScrollHardware},
        {"SavingUnderSpeedSeesTheStoredModes", false, true, kModeWave, kScrollSoftware, kModeWave,
         kScrollSoftware},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        rig.options.Set(Setting::AutoMode, row.storedAutoMode);
        rig.options.Set(Setting::ScrollMode, row.storedScrollMode);
        rig.options.Set(Setting::QualityPriority, row.quality);
        rig.options.SetApplyOverride(row.override);
        const StateDecision& decision = rig.engine.ApplyState();
        EXPECT_EQ(decision.autoMode, row.autoMode);
        EXPECT_EQ(decision.scrollMode, row.scrollMode);
    }
}

TEST(ScrollEngineState, SpeedPriorityScrollsAPageDownSetting) {
    EngineRig rig;
    rig.options.Set(Setting::AutoMode, kModePageDown);
    rig.options.Set(Setting::QualityPriority, 0);
    rig.RunMoving(2.0);
    EXPECT_TRUE(rig.view.pageTimes.empty());
    EXPECT_GE(rig.view.stepTimes.size(), 99u);  // 50 pixels a second
}

TEST(ScrollEngineState, MovementRaisesPriorityAndHoldsTheScreenSaver) {
    struct Row {
        const char* name;
        bool moving;
        bool screenSaverWasActive;
        bool highPriority, screenSaverActive, hintsShown, buttonDown;
    };
    const Row rows[] = {
        {"MovingSaverWasOn", true, true, true, false, false, true},
        {"MovingSaverWasOff", true, false, true, false, false, true},
        {"StoppedRestoresSaverOn", false, true, false, true, true, false},
        {"StoppedLeavesSaverOff", false, false, false, false, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        rig.engine.SetScreenSaverWasActive(row.screenSaverWasActive);
        rig.options.Set(Setting::LinesPerSecond, 40);
        rig.options.Set(Setting::SuperScrollLimit, 25);
        rig.options.SetAutoScrollOn(row.moving);
        const StateDecision& decision = rig.engine.ApplyState();
        EXPECT_EQ(decision.highPriority, row.highPriority);
        EXPECT_EQ(decision.screenSaverActive, row.screenSaverActive);
        EXPECT_EQ(decision.toolHintsShown, row.hintsShown);
        EXPECT_EQ(decision.scrollButtonDown, row.buttonDown);
        EXPECT_EQ(decision.switchOffManualSpeedDisplay, row.moving);
        EXPECT_EQ(decision.stepPeriod, kNsPerSecond / 40);
        EXPECT_EQ(rig.engine.StepPeriod(), kNsPerSecond / 40);
        EXPECT_EQ(decision.superScrollLimitPeriod, kNsPerSecond / 25);
    }
}

TEST(ScrollEngineState, MovementStopsByItselfAtTheEndOfTheBook) {
    struct Row {
        const char* name;
        int32_t autoMode;
        int64_t advances;  // moves left before the end
        size_t steps, pages;
    };
    const Row rows[] = {
        {"ScrollStopsWhenTheEndHasPassedTheTop", kModeScroll, 25, 25, 0},
        {"PageDownStopsWhenNoPageIsLeft", kModePageDown, 2, 0, 2},
        {"NoBookOpenStopsAtTheFirstDueStep", kModeScroll, 0, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        VEMTimer timer(rig.timing, kStatisticsCatchUpLimit, [] {});
        rig.engine.SetTimer(&timer);
        rig.options.Set(Setting::AutoMode, row.autoMode);
        rig.options.Set(Setting::LinesPerSecond, 100);
        rig.view.page.pageHeightPx = 100;  // one-second dwell
        rig.view.advancesLeft = row.advances;
        bool timerWasEnabled = false;
        int64_t startedAt = -1, stoppedAt = -1;
        rig.host.script = [&] {
            timerWasEnabled = timerWasEnabled || timer.Enabled();
            if (startedAt < 0 && rig.options.AutoScrollOn()) startedAt = rig.time.Now();
            if (startedAt >= 0 && stoppedAt < 0 && !rig.options.AutoScrollOn()) stoppedAt = rig.time.Now();
        };
        rig.RunMoving(5.0);

        // Stopped by itself, well before the window was closed.
        ASSERT_GE(stoppedAt, 0);
        EXPECT_LT(stoppedAt - startedAt, 4 * kNsPerSecond);
        EXPECT_TRUE(timerWasEnabled);
        EXPECT_EQ(rig.view.stepTimes.size(), row.steps);
        EXPECT_EQ(rig.view.pageTimes.size(), row.pages);
        EXPECT_FALSE(rig.options.AutoScrollOn());
        EXPECT_FALSE(rig.engine.StepEnabled());
        EXPECT_FALSE(timer.Enabled());
        // Switching off went through the state change like a command does.
        EXPECT_FALSE(rig.engine.LastDecision().highPriority);
        EXPECT_TRUE(rig.engine.LastDecision().screenSaverActive);
        EXPECT_EQ(rig.host.invalidations, 2);
    }
}

TEST(ScrollEngineClose, TheLoopEndsBeforeTheStateIsSaved) {
    EngineRig rig;
    std::vector<std::string>& events = rig.host.events;
    rig.view.onStep = [&](size_t) { events.push_back("step"); };
    bool closeAnswer = true;
    bool closeAsked = false;
    rig.host.script = [&] {
        if (!closeAsked && rig.time.Now() > 3 * kNsPerSecond) {
            closeAsked = true;
            events.push_back("close asked");
            closeAnswer = rig.engine.CloseQuery();
        }
    };
    bool loopActiveWhenSaving = true;
    rig.host.onLoopEnded = [&] {
        loopActiveWhenSaving = rig.engine.LoopActive();
        events.push_back("state saved");
    };
    rig.RunMoving(60.0);

    // Asked from inside the loop, the close must wait for it.
    EXPECT_FALSE(closeAnswer);
    EXPECT_FALSE(loopActiveWhenSaving);
    ASSERT_GE(events.size(), 4u);
    EXPECT_EQ(events[events.size() - 4], "step");
    EXPECT_EQ(events[events.size() - 3], "close asked");
    EXPECT_EQ(events[events.size() - 2], "loop ended");
    EXPECT_EQ(events[events.size() - 1], "state saved");
    EXPECT_EQ(std::count(events.begin(), events.end(), "close asked"), 1);
    // Once the loop has gone the window may close at once.
    EXPECT_TRUE(rig.engine.CloseQuery());
}

TEST(ScrollEngineClose, ACloseBeforeTheLoopKeepsItFromStarting) {
    EngineRig rig;
    EXPECT_TRUE(rig.engine.CloseQuery());
    rig.engine.MainLoop();
    EXPECT_FALSE(rig.engine.LoopActive());
    EXPECT_EQ(rig.host.messageCalls, 0);
    EXPECT_TRUE(rig.host.events.empty());
}

TEST(StepStatistics, RollsOnEveryFifthTimerCall) {
    StepStatistics statistics;
    statistics.StepCount = 48;
    statistics.LateSteps = 3;
    for (int i = 0; i < kTicksPerRoll - 1; ++i) statistics.TimerTimeTimer();
    EXPECT_EQ(statistics.StepsLastSecond, 0);
    EXPECT_EQ(statistics.TimerTicks, kTicksPerRoll - 1);
    statistics.TimerTimeTimer();
    EXPECT_EQ(statistics.StepsLastSecond, 48);
    EXPECT_EQ(statistics.LateLastSecond, 3);
    EXPECT_EQ(statistics.StepCount, 0);
    EXPECT_EQ(statistics.LateSteps, 0);
    EXPECT_EQ(statistics.TimerTicks, 0);
}

TEST(StepStatistics, ShowStepsAndLateStepsOfTheLastSecond) {
    // The 5 Hz timer's callback reaches the main thread inside message processing; here the
    // message check calls it on the same simulated schedule.
    EngineRig rig;
    rig.options.Set(Setting::LinesPerSecond, 50);
    // A 5 Hz timer with the statistics timer's catch-up rule.
    constexpr int64_t kTickPeriod = kNsPerSecond / 5;
    int64_t tickBase = -1;
    std::vector<int32_t> stepsPerSecond, latePerSecond;
    rig.host.script = [&] {
        const int64_t now = rig.time.Now();
        if (tickBase < 0) tickBase = now;
        if (now < tickBase + kTickPeriod) return;
        const int64_t lag = (now - tickBase) / kTickPeriod;
        tickBase += lag < kStatisticsCatchUpLimit ? kTickPeriod : kTickPeriod * lag;
        StepStatistics& statistics = rig.engine.Statistics();
        const int32_t ticksBefore = statistics.TimerTicks;
        statistics.TimerTimeTimer();
        if (ticksBefore == kTicksPerRoll - 1) {
            stepsPerSecond.push_back(statistics.StepsLastSecond);
            latePerSecond.push_back(statistics.LateLastSecond);
        }
    };
    // In the middle of the third second one repaint holds the loop for 10 periods.
    rig.view.onStep = [&](size_t count) {
        if (count == 115) rig.time.Advance(200 * kNsPerMs);
    };
    rig.RunMoving(4.5);

    ASSERT_GE(stepsPerSecond.size(), 4u);
    EXPECT_NEAR(stepsPerSecond[1], 50, 1);
    EXPECT_EQ(latePerSecond[1], 0);
    // The stall dropped its backlog: one late step, the nine missed ones never taken.
    EXPECT_NEAR(stepsPerSecond[2], 41, 1);
    EXPECT_EQ(latePerSecond[2], 1);
    EXPECT_NEAR(stepsPerSecond[3], 50, 1);
    EXPECT_EQ(latePerSecond[3], 0);
}

}  // namespace
}  // namespace corvalin

namespace corvalin::test {
namespace {

// The dwell stopwatch times the reader from one page turn to the next; switching the movement
// on hides the figures, which belong to the reader's own pace.
TEST(ScrollEngineManualSpeed, TimesThePageSinceTheLastTurnAndHidesWhenTheTextMoves) {
    EngineRig rig;
    rig.view.text = {1500, 580};
    rig.engine.PageDwell().Restart();
    rig.time.Advance(10 * kNsPerSecond);
    ASSERT_TRUE(rig.engine.TakeManualSpeedSample());
    EXPECT_EQ(rig.engine.MeasuredSpeed().linesPerSecond, 60);
    EXPECT_EQ(rig.engine.MeasuredSpeed().charsPerSecond, 150);
    EXPECT_TRUE(rig.engine.ShowMeasured());

    // A page skimmed in a second is no reading speed: the last figures stay.
    rig.engine.PageDwell().Restart();
    rig.time.Advance(kNsPerSecond);
    EXPECT_FALSE(rig.engine.TakeManualSpeedSample());
    EXPECT_EQ(rig.engine.MeasuredSpeed().linesPerSecond, 60);

    rig.engine.ToggleAutoScroll();
    EXPECT_FALSE(rig.engine.ShowMeasured());
}

}  // namespace
}  // namespace corvalin::test
