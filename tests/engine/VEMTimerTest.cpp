#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "engine/SimulatedTime.h"
#include "engine/StepStatistics.h"
#include "engine/VEMTimer.h"

namespace corvalin {
namespace {

using test::kNsPerMs;
using test::kNsPerSecond;
using test::SimulatedTime;

TEST(VEMTimer, RateGivesThePeriod) {
    struct Row {
        const char* name;
        double rate;
        double keptRate;
        int32_t roundedRate;
        int64_t period;
    };
    const Row rows[] = {
        {"StatisticsTimer", kStatisticsTimerRate, 5.0, 5, 200'000'000},
        {"CutToOneThousand", 2500.0, 1000.0, 1000, 1'000'000},
        {"HalfRoundsUp", 2.5, 2.5, 3, 400'000'000},
        {"BelowOneHertz", 0.4, 0.4, 0, 2'500'000'000},
        {"ZeroStaysFinite", 0.0, VEMTimer::kMinimumRate, 0, 1'000'000'000'000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SimulatedTime time;
        PerfTiming timing(time, time);
        VEMTimer timer(timing, kStatisticsCatchUpLimit, [] {});
        EXPECT_EQ(timer.Period(), kNsPerSecond / 10);  // before any rate is set
        timer.SetRate(row.rate);
        EXPECT_DOUBLE_EQ(timer.Rate(), row.keptRate);
        EXPECT_EQ(timer.RoundedRate(), row.roundedRate);
        EXPECT_EQ(timer.Period(), row.period);
    }
}

// Runs the thread body on the test's thread over simulated time and records the call times;
// `stall` holds the callback once, at its tenth call.
struct TimerRun {
    std::vector<int64_t> calls;
    int32_t lateCount = 0;
    int64_t firstDue = 0;
};

TimerRun RunTimer(int32_t catchUpLimit, bool spin, int64_t stallNs, size_t callCount) {
    SimulatedTime time;
    PerfTiming timing(time, time);
    TimerRun run;
    VEMTimer* self = nullptr;
    VEMTimer timer(timing, catchUpLimit, [&] {
        run.calls.push_back(time.Now());
        if (run.calls.size() == 10) time.Advance(stallNs);
        if (run.calls.size() == callCount) self->RequestStop();
    });
    self = &timer;
    timer.SetRate(kStatisticsTimerRate);
    timer.SetSpinNearDeadline(spin);
    timer.SetEnabled(true);
    run.firstDue = time.Now() + timer.Period();
    timer.Execute();
    EXPECT_FALSE(timer.Running());
    run.lateCount = timer.LateCount();
    return run;
}

TEST(VEMTimer, CallsOnTheCounterAndDropsALongBacklog) {
    constexpr int64_t kPeriod = kNsPerSecond / 5;
    struct Row {
        const char* name;
        int32_t catchUpLimit;
        int64_t stallNs;
        size_t burstCalls;  // calls made at once when the stall ends
        int32_t lateCount;
    };
    const Row rows[] = {
        {"ShortStallWaitsForTheNextCall", 2, kPeriod / 2, 0, 0},
        {"OnePeriodMadeUp", 2, kPeriod * 3 / 2, 1, 0},
        {"TwoPeriodsDroppedAtLimitTwo", 2, kPeriod * 5 / 2, 1, 1},
        {"TwoPeriodsMadeUpAtLimitEight", 8, kPeriod * 5 / 2, 2, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TimerRun run = RunTimer(row.catchUpLimit, /*spin=*/false, row.stallNs, 20);
        ASSERT_EQ(run.calls.size(), 20u);
        const int64_t stallEnd = run.calls[9] + row.stallNs;
        const size_t burst = size_t(std::count_if(run.calls.begin(), run.calls.end(), [&](int64_t t) {
            return t >= stallEnd && t < stallEnd + kPeriod / 4;
        }));
        EXPECT_EQ(burst, row.burstCalls);
        EXPECT_EQ(run.lateCount, row.lateCount);
        // Before the stall and after its burst the calls sit on the original grid, each within
        // the one-millisecond sleep of its time.
        for (size_t i = 0; i < run.calls.size(); ++i) {
            if (i >= 10 && i < 10 + row.burstCalls) continue;
            const int64_t sinceFirst = run.calls[i] - run.firstDue;
            const int64_t lateness = sinceFirst % kPeriod;
            EXPECT_GE(sinceFirst, 0) << "call " << i;
            EXPECT_LE(lateness, kNsPerMs + 10'000) << "call " << i;
        }
    }
}

TEST(VEMTimer, SpinningNearTheDeadlineCallsOnTime) {
    auto worstLateness = [](const TimerRun& run) {
        int64_t worst = 0;
        for (int64_t call : run.calls) worst = std::max(worst, (call - run.firstDue) % (kNsPerSecond / 5));
        return worst;
    };
    const TimerRun sleeping = RunTimer(2, /*spin=*/false, 0, 30);
    const TimerRun spinning = RunTimer(2, /*spin=*/true, 0, 30);
    EXPECT_LT(worstLateness(spinning), 20'000);
    EXPECT_GT(worstLateness(sleeping), 100'000);
}

TEST(VEMTimer, ThreadRunsTheCallbackThroughTheSynchronizerAndStops) {
    SimulatedTime time;
    PerfTiming timing(time, time);
    std::atomic<int> calls{0};
    std::atomic<int> synchronized{0};
    VEMTimer timer(
        timing, kStatisticsCatchUpLimit, [&] { ++calls; },
        [&](const VEMTimer::Callback& callback) {
            ++synchronized;
            callback();
        });
    timer.SetRate(1000.0);
    timer.SetEnabled(true);
    timer.Start();
    EXPECT_TRUE(timer.Running());
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (calls < 5 && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    timer.RequestStop();
    while (timer.Running() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    EXPECT_FALSE(timer.Running());
    timer.Stop();
    EXPECT_GE(calls.load(), 5);
    EXPECT_EQ(synchronized.load(), calls.load());
}

TEST(VEMTimer, DisabledTimerNeverCalls) {
    SimulatedTime time;
    int calls = 0;
    int sleeps = 0;
    struct CountingSleeper final : Sleeper {
        SimulatedTime& time;
        int& sleeps;
        VEMTimer* timer = nullptr;
        CountingSleeper(SimulatedTime& t, int& s) : time(t), sleeps(s) {}
        void SleepOneMillisecond() override {
            time.SleepOneMillisecond();
            if (++sleeps == 2000) timer->RequestStop();
        }
    } sleeper(time, sleeps);
    PerfTiming counted(time, sleeper);
    counted.EnsureCalibrated();
    sleeps = 0;
    VEMTimer timer(counted, kStatisticsCatchUpLimit, [&] { ++calls; });
    sleeper.timer = &timer;
    timer.SetRate(kStatisticsTimerRate);
    timer.Execute();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(sleeps, 2000);  // idles one sleep per turn
}

}  // namespace
}  // namespace corvalin
