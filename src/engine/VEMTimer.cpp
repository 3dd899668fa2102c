#include "engine/VEMTimer.h"

#include <algorithm>
#include <cmath>

namespace corvalin {

VEMTimer::VEMTimer(PerfTiming& timing, int32_t catchUpLimit, Callback callback, Synchronizer synchronizer)
    : timing_(timing),
      catchUpLimit_(catchUpLimit),
      callback_(std::move(callback)),
      synchronizer_(std::move(synchronizer)) {
    timing_.EnsureCalibrated();
    SetRate(kDefaultRate);
}

VEMTimer::~VEMTimer() { Stop(); }

void VEMTimer::SetRate(double hz) {
    rate_ = std::clamp(hz, kMinimumRate, kMaximumRate);
    roundedRate_ = static_cast<int32_t>(std::floor(rate_ + 0.5));
    const double period = std::trunc(static_cast<double>(timing_.PerfFrequency) / rate_);
    period_.store(std::max<int64_t>(static_cast<int64_t>(period), 1), std::memory_order_relaxed);
}

void VEMTimer::Start() {
    if (thread_.joinable()) return;
    keepRunning_.store(true, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    thread_ = std::thread([this] { Execute(); });
}

void VEMTimer::Stop() {
    RequestStop();
    if (thread_.joinable()) thread_.join();
}

void VEMTimer::Execute() {
    running_.store(true, std::memory_order_release);
    int64_t base = timing_.Counter();
    while (keepRunning_.load(std::memory_order_relaxed)) {
        const bool enabled = Enabled();
        const int64_t period = Period();
        int64_t now = 0;
        if (enabled) {
            now = timing_.Counter();
            if (now >= base + period) {
                if (now >= base + 2 * period) lateCount_.fetch_add(1, std::memory_order_relaxed);
                const int64_t lag = (now - base) / period;
                // A short lag is made up call by call; a long one (the main thread was held)
                // is dropped so the callback does not fire in a burst.
                base += lag < catchUpLimit_ ? period : period * lag;
                if (callback_) {
                    if (synchronizer_) {
                        synchronizer_(callback_);
                    } else {
                        callback_();
                    }
                }
                continue;
            }
        }
        if (enabled && spinNearDeadline_.load(std::memory_order_relaxed) &&
            now + timing_.SleepGranularity >= base + period) {
            continue;
        }
        timing_.Sleep();
    }
    running_.store(false, std::memory_order_release);
}

}  // namespace corvalin
