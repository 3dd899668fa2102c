#pragma once

#include <cstdint>
#include <string>

namespace corvalin {

// The statistics timer runs at this rate; every kTicksPerRoll-th call is one second.
constexpr double kStatisticsTimerRate = 5.0;
constexpr int32_t kTicksPerRoll = 5;
// Lateness, in whole periods, from which the statistics timer drops missed calls.
constexpr int32_t kStatisticsCatchUpLimit = 2;

// Steps taken and steps found late, rolled once a second for the speed gauge. Written only on
// the main thread: the loop counts, the timer's callback rolls.
struct StepStatistics {
    int32_t LateSteps = 0;  // due more than one period late since the last roll
    int32_t StepCount = 0;  // steps since the last roll
    int32_t StepsLastSecond = 0;
    int32_t LateLastSecond = 0;
    int32_t TimerTicks = 0;  // timer calls since the last roll
    // Never rolled nor cleared: a measurement over a whole run takes differences of these, as
    // the roll would otherwise throw away what came in since its last look.
    int64_t StepsTotal = 0;
    int64_t LateTotal = 0;
    // Sub-pixel positions shown between whole steps ("Super Scroll").
    int64_t SubStepsTotal = 0;

    // The statistics timer's callback.
    void TimerTimeTimer();
    // Automatic movement switched on or off: the gauge starts from nothing.
    void ClearCounts();
};

// The run totals as they stood at one moment, for figures over a stretch of a run.
struct StatisticsMark {
    bool taken = false;
    int64_t counter = 0;  // the performance counter then
    int64_t steps = 0;
    int64_t late = 0;
    int64_t subSteps = 0;
};

StatisticsMark MarkStatistics(const StepStatistics& statistics, int64_t counter);

// "statistics: seconds S steps N late M substeps K": what happened since `from` (nothing when
// it was never taken), S with two decimals.
std::string StatisticsLine(const StatisticsMark& from, const StepStatistics& now, int64_t counter,
                           int64_t perfFrequency);

}  // namespace corvalin
