#include "engine/PerfTiming.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <thread>

namespace corvalin {

namespace {
constexpr int kCalibrationSleeps = 16;
// Short sleeps measured: a tenth of the one-millisecond granularity each.
constexpr int64_t kShortSleepFraction = 10;
}  // namespace

int64_t SteadyPerfClock::Counter() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count();
}

void ThreadSleeper::SleepOneMillisecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

bool ThreadSleeper::SleepShort(int64_t nanoseconds) {
    std::this_thread::sleep_for(std::chrono::nanoseconds(nanoseconds));
    return true;
}

void PerfTiming::CalibrateTimer() {
    // A clock that reports no frequency would make every period zero and every division fail.
    PerfFrequency = std::max<int64_t>(clock_.Frequency(), 1);
    SleepGranularity = PerfFrequency;
    // The first sleep lines us up with the scheduler's tick, so the measured ones are whole.
    Sleep();
    int64_t previous = Counter();
    for (int i = 0; i < kCalibrationSleeps; ++i) {
        Sleep();
        const int64_t counter = Counter();
        if (counter - previous < SleepGranularity) SleepGranularity = counter - previous;
        previous = counter;
    }
    CalibrateShortSleeps();
    TimerUncalibrated = false;
}

void PerfTiming::CalibrateShortSleeps() {
    ShortSleepMargin = 0;
    const int64_t asked = std::max<int64_t>(SleepGranularity / kShortSleepFraction, 1);
    std::array<int64_t, kCalibrationSleeps> overshoots{};
    for (int64_t& overshoot : overshoots) {
        const int64_t before = Counter();
        if (!sleeper_.SleepShort(asked)) return;
        overshoot = std::max<int64_t>(Counter() - before - asked, 0);
    }
    // Twice the usual lateness plus 50 µs: one slow wake-up during calibration must not set
    // the margin, and a margin that covers the usual ones leaves only a short spin.
    std::nth_element(overshoots.begin(), overshoots.begin() + kCalibrationSleeps / 2, overshoots.end());
    const int64_t margin = 2 * overshoots[kCalibrationSleeps / 2] + PerfFrequency / 20'000;
    // Short sleeps that wake as late as a long one would save nothing.
    if (margin < SleepGranularity) ShortSleepMargin = margin;
}

void PerfTiming::SleepShortBefore(int64_t deadline) {
    if (ShortSleepMargin <= 0) return;
    const int64_t counts = deadline - ShortSleepMargin - Counter();
    if (counts > 0) sleeper_.SleepShort(counts);
}

PerfTiming& ProcessTiming() {
    static SteadyPerfClock clock;
    static ThreadSleeper sleeper;
    static PerfTiming timing(clock, sleeper);
    return timing;
}

}  // namespace corvalin
