#pragma once

#include <cstdint>

namespace corvalin {

// The high-resolution counter every pacing decision reads. Injectable so that the loop can be
// driven in simulated time; the program uses SteadyPerfClock.
class PerfClock {
public:
    virtual ~PerfClock() = default;
    // Counts per second; constant for the life of the clock.
    virtual int64_t Frequency() const = 0;
    // Monotonic count. May be read from the timer thread as well as the main thread.
    virtual int64_t Counter() = 0;
};

// The loop's only way to give time away: a sleep of about one millisecond.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepOneMillisecond() = 0;
};

// std::chrono::steady_clock in nanosecond ticks (frequency 10^9).
class SteadyPerfClock final : public PerfClock {
public:
    int64_t Frequency() const override { return 1'000'000'000; }
    int64_t Counter() override;
};

class ThreadSleeper final : public Sleeper {
public:
    void SleepOneMillisecond() override;
};

// The process-wide timing values: one instance is shared by everything that measures time.
// A user calls EnsureCalibrated (or CalibrateTimer) before reading PerfFrequency or
// SleepGranularity; calibration must finish before any thread that reads them is started.
class PerfTiming {
public:
    PerfTiming(PerfClock& clock, Sleeper& sleeper) : clock_(clock), sleeper_(sleeper) {}
    PerfTiming(const PerfTiming&) = delete;
    PerfTiming& operator=(const PerfTiming&) = delete;

    int64_t PerfFrequency = 0;     // counts per second
    int64_t SleepGranularity = 0;  // shortest observed one-millisecond sleep, in counts
    bool TimerUncalibrated = true;

    // Measures the sleep granularity over sixteen one-millisecond sleeps (about 17 ms).
    void CalibrateTimer();
    void EnsureCalibrated() {
        if (TimerUncalibrated) CalibrateTimer();
    }

    int64_t Counter() { return clock_.Counter(); }
    void Sleep() { sleeper_.SleepOneMillisecond(); }

private:
    PerfClock& clock_;
    Sleeper& sleeper_;
};

// The real clock and sleep, shared by the whole program.
PerfTiming& ProcessTiming();

}  // namespace corvalin
