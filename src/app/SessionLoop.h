#pragma once

#include <QObject>
#include <memory>

#include "engine/LoopHost.h"
#include "engine/StepView.h"

namespace corvalin {

class TAA_Main;
class VEMTimer;

// The main window as the scroll engine drives it: its reading view and screen paths for the
// steps, and its message processing for everything else. It also runs the statistics timer
// for as long as the loop runs.
class SessionLoop final : public StepView, public LoopHost {
public:
    explicit SessionLoop(TAA_Main& window);
    ~SessionLoop() override;
    SessionLoop(const SessionLoop&) = delete;
    SessionLoop& operator=(const SessionLoop&) = delete;

    bool CanAdvance(bool anyDirection) const override;
    void PresentAutoStep() override;
    void NextPage() override;
    bool BackgroundStep(int64_t deadline) override;
    ScreenText MeasureScreenText() const override;
    PageMetrics MeasurePage() const override;

    void ProcessMessages() override;
    void InvalidateSurface() override;
    void LoopStarted() override;
    void LoopEnded() override;

    // The timer thread's callback, run on the main thread: one tick of the per-second roll.
    void StatisticsTick();

private:
    void StartStatisticsTimer();
    // Joins the timer thread. Its pending calls are delivered while it winds down: the thread
    // may be blocked in one, waiting for this (the main) thread.
    void StopStatisticsTimer();

    TAA_Main& window_;
    // Receives the timer's blocking calls; lives on the main thread.
    QObject timerContext_;
    std::unique_ptr<VEMTimer> timer_;
    // Set while the timer winds down: its last calls are let through without touching the
    // engine, which may already be gone when the window is destroyed.
    bool timerStopping_ = false;
};

}  // namespace corvalin
