#include "engine/StepStatistics.h"

#include <cstdio>

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

StatisticsMark MarkStatistics(const StepStatistics& statistics, int64_t counter) {
    return {true, counter, statistics.StepsTotal, statistics.LateTotal, statistics.SubStepsTotal};
}

std::string StatisticsLine(const StatisticsMark& from, const StepStatistics& now, int64_t counter,
                           int64_t perfFrequency) {
    double seconds = 0;
    long long steps = 0, late = 0, subSteps = 0;
    if (from.taken && perfFrequency > 0) {
        seconds = double(counter - from.counter) / double(perfFrequency);
        steps = now.StepsTotal - from.steps;
        late = now.LateTotal - from.late;
        subSteps = now.SubStepsTotal - from.subSteps;
    }
    char line[160];
    std::snprintf(line, sizeof line, "statistics: seconds %.2f steps %lld late %lld substeps %lld", seconds,
                  steps, late, subSteps);
    return line;
}

}  // namespace corvalin
