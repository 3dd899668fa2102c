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

// The loop's ways to give time away: a sleep of about one millisecond, and where the platform
// has them, shorter ones.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void SleepOneMillisecond() = 0;
    // Sleeps about `counts` of the paired clock (less than a millisecond); false, without
    // sleeping, where the platform cannot.
    virtual bool SleepShort(int64_t counts) {
        (void)counts;
        return false;
    }
};

// std::chrono::steady_clock in nanosecond ticks (frequency 10^9).
class SteadyPerfClock final : public PerfClock {
public:
    int64_t Frequency() const override { return 1'000'000'000; }
    int64_t Counter() override;
};

// Sleeps of the calling thread, timed in nanoseconds to pair with SteadyPerfClock.
class ThreadSleeper final : public Sleeper {
public:
    void SleepOneMillisecond() override;
    bool SleepShort(int64_t nanoseconds) override;
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
    // How long before a deadline a short sleep must end to wake in time, in counts; 0 when the
    // platform has no short sleeps.
    int64_t ShortSleepMargin = 0;
    bool TimerUncalibrated = true;

    // Measures the sleep granularity over sixteen one-millisecond sleeps (about 17 ms), then
    // how late sixteen short sleeps wake (about 2 ms more).
    void CalibrateTimer();
    void EnsureCalibrated() {
        if (TimerUncalibrated) CalibrateTimer();
    }

    int64_t Counter() { return clock_.Counter(); }
    void Sleep() { sleeper_.SleepOneMillisecond(); }
    // Where short sleeps exist, sleeps until a margin before `deadline` (a counter value)
    // instead of spinning towards it; otherwise returns at once.
    void SleepShortBefore(int64_t deadline);

private:
    void CalibrateShortSleeps();

    PerfClock& clock_;
    Sleeper& sleeper_;
};

// The real clock and sleep, shared by the whole program.
PerfTiming& ProcessTiming();

}  // namespace corvalin
