#include "engine/TStopwatch.h"

namespace corvalin {

int32_t DecimalDigitsCeil(int64_t value) {
    // Integer steps rather than log10, which is off by one at exact powers of ten on some
    // libraries (10^9 must give 9).
    int32_t digits = 0;
    int64_t power = 1;
    while (power < value && digits < 19) {
        if (power > INT64_MAX / 10) return digits + 1;
        power *= 10;
        ++digits;
    }
    return digits;
}

TStopwatch::TStopwatch(PerfTiming& timing) : timing_(&timing) {
    timing_->EnsureCalibrated();
    secondsPerTick = 1.0L / static_cast<long double>(timing_->PerfFrequency);
    frequencyDigits = DecimalDigitsCeil(timing_->PerfFrequency);
    Restart();
}

void TStopwatch::Restart() {
    startCount = timing_->Counter();
    lastCount = startCount;
}

long double TStopwatch::Elapsed() {
    lastCount = timing_->Counter();
    return static_cast<long double>(lastCount - startCount) * secondsPerTick;
}

}  // namespace corvalin
