#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "engine/PerfTiming.h"

namespace corvalin {

// A worker thread that calls back at a fixed rate, paced on the performance counter. The
// callback runs wherever the synchronizer puts it: the main window passes one that runs it on
// the main thread and returns when it has run; without one it runs on the timer thread.
class VEMTimer {
public:
    using Callback = std::function<void()>;
    using Synchronizer = std::function<void(const Callback&)>;

    static constexpr double kDefaultRate = 10.0;
    static constexpr double kMaximumRate = 1000.0;
    // Rates below this read as it, so the period stays finite.
    static constexpr double kMinimumRate = 0.001;

    // Calibrates the timing if nobody has yet. The thread starts with Start.
    VEMTimer(PerfTiming& timing, int32_t catchUpLimit, Callback callback, Synchronizer synchronizer = {});
    // Stops and joins the thread. A synchronizer that waits for the main thread must have been
    // let go first: RequestStop, then keep processing messages until Running() is false.
    ~VEMTimer();
    VEMTimer(const VEMTimer&) = delete;
    VEMTimer& operator=(const VEMTimer&) = delete;

    // Rates above kMaximumRate are cut to it; the period is the frequency over the rate.
    void SetRate(double hz);
    double Rate() const { return rate_; }
    int32_t RoundedRate() const { return roundedRate_; }
    int64_t Period() const { return period_.load(std::memory_order_relaxed); }

    void SetEnabled(bool on) { enabled_.store(on, std::memory_order_relaxed); }
    bool Enabled() const { return enabled_.load(std::memory_order_relaxed); }
    // When set, the thread busy-waits instead of sleeping once the deadline is closer than
    // one sleep; exact, at the cost of a core.
    void SetSpinNearDeadline(bool on) { spinNearDeadline_.store(on, std::memory_order_relaxed); }
    int32_t LateCount() const { return lateCount_.load(std::memory_order_relaxed); }

    void Start();
    void RequestStop() { keepRunning_.store(false, std::memory_order_relaxed); }
    // True from Start until the thread body has left its loop.
    bool Running() const { return running_.load(std::memory_order_acquire); }
    // RequestStop and join.
    void Stop();

    // The thread body; runs on the caller's thread when called directly.
    void Execute();

private:
    PerfTiming& timing_;
    const int32_t catchUpLimit_;
    Callback callback_;
    Synchronizer synchronizer_;
    double rate_ = kDefaultRate;
    int32_t roundedRate_ = 10;
    std::atomic<int64_t> period_{1};
    std::atomic<int32_t> lateCount_{0};
    std::atomic<bool> enabled_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> keepRunning_{true};
    std::atomic<bool> spinNearDeadline_{true};
    std::thread thread_;
};

}  // namespace corvalin
