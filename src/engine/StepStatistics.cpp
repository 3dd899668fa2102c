#include "engine/StepStatistics.h"

namespace corvalin {

void StepStatistics::TimerTimeTimer() {
    if (++TimerTicks < kTicksPerRoll) return;
    StepsLastSecond = StepCount;
    TimerTicks = 0;
    StepCount = 0;
    LateLastSecond = LateSteps;
    LateSteps = 0;
}

void StepStatistics::ClearCounts() {
    // TimerTicks keeps counting: the roll stays on the timer's own one-second grid.
    LateSteps = 0;
    LateLastSecond = 0;
    StepsLastSecond = 0;
    StepCount = 0;
}

}  // namespace corvalin
