#include "app/engine/PerfTiming.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace corvalin {

namespace {
constexpr int kCalibrationSleeps = 16;
}

int64_t SteadyPerfClock::Counter() {
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sinceEpoch).count();
}

void ThreadSleeper::SleepOneMillisecond() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

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
    TimerUncalibrated = false;
}

PerfTiming& ProcessTiming() {
    static SteadyPerfClock clock;
    static ThreadSleeper sleeper;
    static PerfTiming timing(clock, sleeper);
    return timing;
}

}  // namespace corvalin
