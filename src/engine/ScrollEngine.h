#pragma once

#include <cstdint>

#include "engine/LoopHost.h"
#include "engine/PerfTiming.h"
#include "engine/StateDecision.h"
#include "engine/StepStatistics.h"
#include "engine/StepView.h"
#include "engine/TStopwatch.h"

namespace corvalin {

class VEMOptions;
class VEMTimer;

// The program's own main loop and the pacing of automatic movement. Each turn takes a
// one-pixel step when one is due on the performance counter (or turns the page once its dwell
// has run out), lets the view work ahead until the next deadline, handles pending messages at
// least 16 times a second, and sleeps a millisecond only when the next step is further away
// than the shortest sleep.
//
// The main window connects VEMOptions::OnStateChanged to a handler that calls ApplyState and
// applies the decision; connects the statistics timer's callback to
// Statistics().TimerTimeTimer(); and runs MainLoop once, from an event posted by its first
// show. Everything else (commands, dialogs, the close) happens inside LoopHost::ProcessMessages.
class ScrollEngine {
public:
    static constexpr int64_t kInitialStepPeriod = 100000;
    static constexpr int64_t kMessageChecksPerSecond = 16;
    // A backlog of this many periods is dropped instead of made up step by step.
    static constexpr int64_t kDropLagPeriods = 8;

    // The timing is calibrated here if nobody has yet.
    ScrollEngine(PerfTiming& timing, VEMOptions& options, StepView& view, LoopHost& host);
    ScrollEngine(const ScrollEngine&) = delete;
    ScrollEngine& operator=(const ScrollEngine&) = delete;

    // The statistics timer, enabled exactly while automatic movement is on; may be null.
    void SetTimer(VEMTimer* timer) { timer_ = timer; }
    VEMTimer* Timer() const { return timer_; }
    // The screen-saver flag as the window found it, restored whenever movement stops.
    void SetScreenSaverWasActive(bool active) { screenSaverWasActive_ = active; }

    // Runs until CloseQuery stops it, then clears LoopActive and calls LoopHost::LoopEnded.
    void MainLoop();
    // One paced one-pixel step; at the end of the book the movement switches itself off.
    void StepAutoScroll();
    // turn = false: starts a page dwell; turn = true: turns the page and starts the next.
    void PageDownTick(bool turn);
    // A page turn that follows a page turn: the reader's own speed, from the time the page was
    // shown (the dwell stopwatch, restarted by every turn) and the text on it. A plausible
    // speed is stored and its display switched on; true then.
    bool TakeManualSpeedSample();
    // The last plausible sample; shown while ShowMeasured() and the view's page-turn mark last.
    const ManualSpeed& MeasuredSpeed() const { return measuredSpeed_; }
    bool ShowMeasured() const { return showMeasured_; }
    void SetShowMeasured(bool on) { showMeasured_ = on; }
    // The variable-speed period from the text now on screen.
    void UpdateVariablePeriod();
    // Inside a step: spends the time until `deadline` (a counter value) on the view's
    // background work, sleeping when there is none, as the loop itself would. No messages are
    // processed. The Super Scroll sub-steps wait here.
    void WaitWithBackground(int64_t deadline);
    // The timing part of the reading-state handler: recomputes the step period and decides
    // priority, screen saver and tool bar state.
    const StateDecision& ApplyState();
    // Switches automatic movement on or off and signals the state change.
    void ToggleAutoScroll();
    // Stops stepping and ends the loop. True when the window may save its state and close now;
    // false while the loop is still on the stack (this call came from inside it): the window
    // keeps itself open, and saves and closes from LoopHost::LoopEnded, after the loop is gone.
    bool CloseQuery();

    bool LoopRunning() const { return loopRunning_; }
    bool LoopActive() const { return loopActive_; }
    bool StepEnabled() const { return stepEnabled_; }
    int64_t StepPeriod() const { return stepPeriod_; }
    // Counter value of the last scheduled step (the sub-pixel steps are timed from it).
    int64_t NextStepTime() const { return nextStepTime_; }
    long double PageWaitSeconds() const { return pageWaitSeconds_; }
    StepStatistics& Statistics() { return statistics_; }
    // Also timed by the manual page turns, which restart it.
    TStopwatch& PageDwell() { return pageDwell_; }
    const StateDecision& LastDecision() const { return decision_; }
    PerfTiming& Timing() { return timing_; }

private:
    void Turn(int64_t messageInterval);
    void TurnMoving();
    void TurnPageDown(int64_t messageInterval);
    void CheckMessages(int64_t messageInterval);
    void BackgroundUntil(int64_t deadline, int64_t messageInterval);
    void ProcessMessagesNow();

    PerfTiming& timing_;
    VEMOptions& options_;
    StepView& view_;
    LoopHost& host_;
    VEMTimer* timer_ = nullptr;
    TStopwatch pageDwell_;
    StepStatistics statistics_;
    StateDecision decision_;
    bool screenSaverWasActive_ = true;

    bool loopRunning_ = false;
    bool loopActive_ = true;
    bool insideLoop_ = false;
    bool closeRequested_ = false;
    bool stepEnabled_ = false;
    int64_t stepPeriod_ = kInitialStepPeriod;
    int64_t nextStepTime_ = 0;
    int64_t lastMessageTime_ = 0;
    long double pageWaitSeconds_ = 0;
    ManualSpeed measuredSpeed_;
    bool showMeasured_ = false;
};

}  // namespace corvalin
