#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/PerfTiming.h"
#include "engine/SimulatedTime.h"
#include "engine/TStopwatch.h"

namespace corvalin {
namespace {

using test::kNsPerMs;
using test::kNsPerSecond;
using test::SimulatedTime;

// Each sleep takes the next duration of a script; reads are free.
class ScriptedTime final : public PerfClock, public Sleeper {
public:
    explicit ScriptedTime(std::vector<int64_t> sleeps) : sleeps_(std::move(sleeps)) {}
    int64_t Frequency() const override { return kNsPerSecond; }
    int64_t Counter() override { return now_; }
    void SleepOneMillisecond() override {
        now_ += sleeps_.at(next_ % sleeps_.size());
        ++next_;
    }
    size_t sleepsTaken() const { return next_; }

private:
    std::vector<int64_t> sleeps_;
    size_t next_ = 0;
    int64_t now_ = 5 * kNsPerSecond;
};

TEST(CalibrateTimer, KeepsTheShortestOfSixteenMeasuredSleeps) {
    // The first sleep only lines up with the scheduler and is not measured, so its shortness
    // must not become the granularity.
    std::vector<int64_t> sleeps = {300'000};
    for (int i = 0; i < 16; ++i) sleeps.push_back(2 * kNsPerMs + i * 10'000);
    sleeps[9] = 1'050'000;
    ScriptedTime time(sleeps);
    PerfTiming timing(time, time);
    ASSERT_TRUE(timing.TimerUncalibrated);
    timing.CalibrateTimer();
    EXPECT_FALSE(timing.TimerUncalibrated);
    EXPECT_EQ(timing.PerfFrequency, kNsPerSecond);
    EXPECT_EQ(timing.SleepGranularity, 1'050'000);
    EXPECT_EQ(time.sleepsTaken(), 17u);
}

TEST(CalibrateTimer, ShortSleepsEndAMarginBeforeTheDeadline) {
    struct Row {
        const char* name;
        int64_t overshoot;  // how late each short sleep wakes
        int64_t margin;
    };
    // Each measured sleep reads the counter twice at 2 µs a read.
    const Row rows[] = {{"UsualWakeUps", 30'000, 2 * 32'000 + 50'000},
                        {"AsLateAsAMillisecondSleepMeansNone", kNsPerMs, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimulatedTime time;
        time.EnableShortSleeps(row.overshoot);
        PerfTiming timing(time, time);
        timing.CalibrateTimer();
        EXPECT_EQ(timing.ShortSleepMargin, row.margin);
        const int64_t deadline = time.Now() + 700'000;
        timing.SleepShortBefore(deadline);
        if (row.margin > 0) {
            EXPECT_LE(time.Now(), deadline - row.margin + row.overshoot + 2'000);
            EXPECT_GE(time.Now(), deadline - row.margin);
        } else {
            EXPECT_LT(time.Now(), deadline - 690'000);
        }
    }
}

TEST(CalibrateTimer, RunsOnceThroughEnsureCalibrated) {
    ScriptedTime time({kNsPerMs});
    PerfTiming timing(time, time);
    timing.EnsureCalibrated();
    timing.EnsureCalibrated();
    EXPECT_EQ(time.sleepsTaken(), 17u);
}

TEST(TStopwatch, MeasuresSecondsSinceTheLastRestart) {
    SimulatedTime time(/*readCostNs=*/0);
    PerfTiming timing(time, time);
    TStopwatch watch(timing);
    EXPECT_FALSE(timing.TimerUncalibrated);
    time.Advance(1'500 * kNsPerMs);
    EXPECT_DOUBLE_EQ(double(watch.Elapsed()), 1.5);
    EXPECT_EQ(watch.lastCount - watch.startCount, 1'500 * kNsPerMs);
    time.Advance(250 * kNsPerMs);
    watch.Restart();
    time.Advance(100 * kNsPerMs);
    EXPECT_DOUBLE_EQ(double(watch.Elapsed()), 0.1);
}

TEST(TStopwatch, DecimalDigitsOfTheFrequency) {
    struct Row {
        const char* name;
        int64_t frequency;
        int32_t digits;
    };
    const Row rows[] = {
        {"OneTick", 1, 0},
        {"ExactPowerOfTen", 10, 1},
        {"JustAbovePowerOfTen", 11, 2},
        {"Nanoseconds", kNsPerSecond, 9},
        {"AcpiTimer", 3'579'545, 7},
        {"Largest", INT64_MAX, 19},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(DecimalDigitsCeil(row.frequency), row.digits);
    }
    SimulatedTime time;
    PerfTiming timing(time, time);
    EXPECT_EQ(TStopwatch(timing).frequencyDigits, 9);
}

}  // namespace
}  // namespace corvalin
