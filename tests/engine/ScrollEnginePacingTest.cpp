#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "engine/EngineRig.h"

namespace corvalin {
namespace {

using test::EngineRig;
using test::kNsPerMs;
using test::kNsPerSecond;

// A step may come this much after its scheduled time: a few counter reads of the spin.
constexpr int64_t kStepTolerance = 50'000;

TEST(ScrollEnginePacing, StepsLandOnThePeriodWithoutDriftOverAMinute) {
    struct Row {
        const char* name;
        int32_t linesPerSecond;
        double asleepAtLeast;         // share of the minute given away in sleeps
        int64_t shortSleepOvershoot;  // -1: the platform has only one-millisecond sleeps
    };
    // At 500 pixels a second the step is 2 ms away: one sleep, then a spin to the step, or
    // where short sleeps exist a short sleep and a short spin.
    const Row rows[] = {{"OneLinePerSecond", 1, 0.99, -1},
                        {"FiveHundredLinesPerSecond", 500, 0.45, -1},
                        {"FiveHundredLinesPerSecondWithShortSleeps", 500, 0.9, 30'000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        if (row.shortSleepOvershoot >= 0) {
            rig.time.EnableShortSleeps(row.shortSleepOvershoot);
            rig.timing.CalibrateTimer();
        }
        rig.options.Set(Setting::LinesPerSecond, row.linesPerSecond);
        const int64_t sleptBefore = rig.time.SleptNs();
        rig.RunMoving(60.0);
        EXPECT_GE(double(rig.time.SleptNs() - sleptBefore), row.asleepAtLeast * 60 * kNsPerSecond);

        const int64_t period = kNsPerSecond / row.linesPerSecond;
        EXPECT_EQ(rig.engine.StepPeriod(), period);
        const auto& steps = rig.view.stepTimes;
        const auto& scheduled = rig.view.scheduledTimes;
        ASSERT_GE(steps.size(), size_t(60 * row.linesPerSecond - 1));
        ASSERT_LE(steps.size(), size_t(60 * row.linesPerSecond + 1));
        int64_t worstLateness = 0;
        for (size_t i = 0; i < steps.size(); ++i) {
            // Each step is scheduled exactly one period after the one before...
            if (i > 0) {
                ASSERT_EQ(scheduled[i] - scheduled[i - 1], period) << "step " << i;
            }
            // ...and taken at that time, not before and not noticeably after.
            ASSERT_GE(steps[i], scheduled[i]) << "step " << i;
            worstLateness = std::max(worstLateness, steps[i] - scheduled[i]);
        }
        EXPECT_LT(worstLateness, kStepTolerance);
        EXPECT_EQ(rig.engine.Statistics().LateSteps, 0);
    }
}

TEST(ScrollEnginePacing, AfterAStallTheBacklogIsMadeUpOnlyWhenShort) {
    // Ten pixels a second; the fifth step's repaint stalls the loop.
    constexpr int64_t kPeriod = 100 * kNsPerMs;
    struct Row {
        const char* name;
        int64_t stallPeriods;
        size_t burstSteps;  // steps taken at once when the stall ends
        int32_t lateSteps;
    };
    const Row rows[] = {
        {"SevenPeriodsMadeUpOnePerTurn", 7, 7, 6},
        {"EightPeriodsDroppedForOneStep", 8, 1, 1},
        {"LongStallDroppedForOneStep", 100, 1, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        rig.options.Set(Setting::LinesPerSecond, 10);
        rig.view.onStep = [&](size_t count) {
            if (count == 5) rig.time.Advance(row.stallPeriods * kPeriod);
        };
        rig.RunMoving(double(row.stallPeriods) * 0.1 + 2.0);

        const auto& steps = rig.view.stepTimes;
        const auto& scheduled = rig.view.scheduledTimes;
        ASSERT_GT(steps.size(), 6u);
        const int64_t stallEnd = steps[4] + row.stallPeriods * kPeriod;
        const size_t burst = size_t(std::count_if(steps.begin(), steps.end(), [&](int64_t t) {
            return t >= stallEnd && t < stallEnd + kPeriod / 2;
        }));
        EXPECT_EQ(burst, row.burstSteps);
        StepStatistics& statistics = rig.engine.Statistics();
        EXPECT_EQ(statistics.LateSteps, row.lateSteps);
        // A second's roll moves the counts to the gauge; the run's totals stay.
        for (int32_t tick = 0; tick < kTicksPerRoll; ++tick) statistics.TimerTimeTimer();
        EXPECT_EQ(statistics.LateLastSecond, row.lateSteps);
        EXPECT_EQ(statistics.LateSteps, 0);
        EXPECT_EQ(statistics.LateTotal, row.lateSteps);
        EXPECT_EQ(statistics.StepsTotal, int64_t(steps.size()));
        // Whether made up or dropped, the schedule stays on the original grid, and the step
        // after the burst waits for its time again.
        for (size_t i = 1; i < scheduled.size(); ++i) {
            ASSERT_EQ((scheduled[i] - scheduled[0]) % kPeriod, 0) << "step " << i;
        }
        const size_t next = 4 + row.burstSteps + 1;
        ASSERT_LT(next, steps.size());
        EXPECT_GE(steps[next], scheduled[next]);
        EXPECT_GT(steps[next], stallEnd + kPeriod / 2);
    }
}

TEST(ScrollEnginePacing, VariableSpeedFollowsTheTextOnScreenFromTheFirstStep) {
    EngineRig rig;
    rig.options.Set(Setting::ConstantSpeed, 0);
    rig.options.Set(Setting::CharsPerSecond, 30);
    // Empty screen: half of the 80 "A" widths across, over one "A" height, at 30 cps.
    constexpr int64_t kEmptyPeriod = 83'333'333;
    // 1000 characters over 600 pixels at 30 cps.
    constexpr int64_t kTextPeriod = 55'555'555;
    rig.view.onStep = [&](size_t count) {
        if (count == 10) rig.view.text = {1000, 600};
    };
    rig.RunMoving(3.0);

    const auto& scheduled = rig.view.scheduledTimes;
    ASSERT_GT(scheduled.size(), 14u);
    // Switching on already computed the variable period, so the first step is not paced by
    // the lines-per-second setting.
    EXPECT_EQ(rig.engine.LastDecision().stepPeriod, kEmptyPeriod);
    EXPECT_EQ(scheduled[1] - scheduled[0], kEmptyPeriod);
    EXPECT_EQ(scheduled[9] - scheduled[8], kEmptyPeriod);
    // The period is recomputed before every step: text that appears while step 10 is shown
    // is measured by step 11, which sets the wait for step 12.
    EXPECT_EQ(scheduled[10] - scheduled[9], kEmptyPeriod);
    EXPECT_EQ(scheduled[11] - scheduled[10], kTextPeriod);
    EXPECT_EQ(scheduled[14] - scheduled[13], kTextPeriod);
}

TEST(ScrollEnginePacing, MessagesAreHandledAtLeastSixteenTimesASecond) {
    struct Row {
        const char* name;
        bool moving;
        int64_t backgroundCostNs;  // 0: the view has nothing to do
        int64_t longestGapNs;
    };
    const Row rows[] = {
        {"IdleViewAtOnceEveryTurn", true, 0, 2 * kNsPerMs},
        {"BusyViewStopped", false, 5 * kNsPerMs, kNsPerSecond / 16 + 5 * kNsPerMs + 100'000},
        {"BusyViewMoving", true, 5 * kNsPerMs, kNsPerSecond / 16 + 5 * kNsPerMs + 100'000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineRig rig;
        rig.view.busyCostNs = row.backgroundCostNs;
        if (row.moving) {
            rig.RunMoving(5.0);
        } else {
            const int64_t closeAt = rig.time.Now() + 5 * kNsPerSecond;
            rig.host.script = [&] {
                if (rig.time.Now() >= closeAt) rig.engine.CloseQuery();
            };
            rig.engine.MainLoop();
            EXPECT_GE(rig.time.Now(), closeAt);
        }
        // A background slice may overrun the sixteenth of a second by itself, no more.
        EXPECT_LE(rig.host.longestMessageGap, row.longestGapNs);
    }
}

}  // namespace
}  // namespace corvalin
