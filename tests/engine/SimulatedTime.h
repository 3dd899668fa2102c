#pragma once

#include <atomic>
#include <cstdint>

#include "engine/PerfTiming.h"

namespace corvalin::test {

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kNsPerMs = 1'000'000;

// A nanosecond counter that moves only when read (a read costs readCostNs, as a real counter
// read costs time, so a spinning loop still advances) and when slept on. Safe to share with a
// timer thread.
class SimulatedTime final : public PerfClock, public Sleeper {
public:
    explicit SimulatedTime(int64_t readCostNs = 2'000, int64_t sleepNs = kNsPerMs)
        : readCostNs_(readCostNs), sleepNs_(sleepNs) {}

    int64_t Frequency() const override { return kNsPerSecond; }
    int64_t Counter() override { return now_.fetch_add(readCostNs_) + readCostNs_; }
    void SleepOneMillisecond() override {
        now_.fetch_add(sleepNs_);
        sleptNs_.fetch_add(sleepNs_);
    }
    // Short sleeps exist once enabled; each wakes `overshootNs` late.
    bool SleepShort(int64_t ns) override {
        if (shortOvershootNs_ < 0) return false;
        now_.fetch_add(ns + shortOvershootNs_);
        sleptNs_.fetch_add(ns + shortOvershootNs_);
        return true;
    }
    void EnableShortSleeps(int64_t overshootNs) { shortOvershootNs_ = overshootNs; }

    int64_t Now() const { return now_.load(); }
    int64_t SleptNs() const { return sleptNs_.load(); }
    // Time spent elsewhere: a slow repaint, a modal dialog.
    void Advance(int64_t ns) { now_.fetch_add(ns); }

private:
    std::atomic<int64_t> now_{kNsPerSecond};  // away from zero, as a real counter is
    std::atomic<int64_t> sleptNs_{0};
    std::atomic<int64_t> shortOvershootNs_{-1};
    const int64_t readCostNs_;
    const int64_t sleepNs_;
};

}  // namespace corvalin::test
