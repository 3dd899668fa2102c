#pragma once

#include <cstdint>

#include "engine/PerfTiming.h"

namespace corvalin {

// Elapsed time on the performance counter. The main window keeps several: the page dwell,
// mouse idling and the speed gauge's highlights.
class TStopwatch {
public:
    // Calibrates the timing first if nobody has yet; starts at once.
    explicit TStopwatch(PerfTiming& timing = ProcessTiming());

    void Restart();
    // Seconds since the last Restart; also moves lastCount to now.
    long double Elapsed();

    int64_t startCount = 0;
    int64_t lastCount = 0;
    long double secondsPerTick = 0;
    int32_t frequencyDigits = 0;  // ceil(log10(PerfFrequency))

private:
    PerfTiming* timing_;
};

// ceil(log10(value)) for value >= 1, exact for powers of ten.
int32_t DecimalDigitsCeil(int64_t value);

}  // namespace corvalin
