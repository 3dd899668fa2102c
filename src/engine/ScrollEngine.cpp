#include "engine/ScrollEngine.h"

#include <algorithm>

#include "engine/VEMTimer.h"
#include "settings/VEMOptions.h"

namespace corvalin {

ScrollEngine::ScrollEngine(PerfTiming& timing, VEMOptions& options, StepView& view, LoopHost& host)
    : timing_(timing), options_(options), view_(view), host_(host), pageDwell_(timing) {}

void ScrollEngine::MainLoop() {
    // A close that came before the loop ever ran has already saved and closed.
    if (closeRequested_) {
        loopActive_ = false;
        return;
    }
    timing_.EnsureCalibrated();
    const int64_t messageInterval = timing_.PerfFrequency / kMessageChecksPerSecond;
    stepPeriod_ = std::max<int64_t>(timing_.PerfFrequency, 1);
    statistics_.LateSteps = 0;
    lastMessageTime_ = timing_.Counter();
    nextStepTime_ = lastMessageTime_;
    insideLoop_ = true;
    loopRunning_ = true;
    host_.LoopStarted();
    while (loopRunning_) Turn(messageInterval);
    insideLoop_ = false;
    loopActive_ = false;
    host_.LoopEnded();
}

void ScrollEngine::Turn(int64_t messageInterval) {
    // The mode is read every turn, so a change takes effect on the next one.
    if (options_.Effective(Setting::AutoMode) == kModePageDown) {
        TurnPageDown(messageInterval);
        return;
    }
    pageWaitSeconds_ = 0;
    if (!stepEnabled_) {
        BackgroundUntil(lastMessageTime_ + messageInterval, messageInterval);
        return;
    }
    TurnMoving();
    const int64_t due = nextStepTime_ + stepPeriod_;
    if (view_.BackgroundStep(due)) {
        ProcessMessagesNow();
        if (due - timing_.SleepGranularity > lastMessageTime_)
            timing_.Sleep();
        else
            // Closer than a one-millisecond sleep: spinning the rest would keep a core busy
            // for half of every period at high speeds.
            timing_.SleepShortBefore(due);
        return;
    }
    CheckMessages(messageInterval);
}

void ScrollEngine::TurnMoving() {
    const int64_t now = timing_.Counter();
    if (now < nextStepTime_ + stepPeriod_) return;
    if (now >= nextStepTime_ + 2 * stepPeriod_) {
        ++statistics_.LateSteps;
        ++statistics_.LateTotal;
    }
    const int64_t lag = (now - nextStepTime_) / stepPeriod_;
    // A short lag is made up one step per turn, so the text keeps its average speed; after a
    // stall (a dialog, a slow repaint) the backlog is dropped so it does not race.
    nextStepTime_ += lag < kDropLagPeriods ? stepPeriod_ : stepPeriod_ * lag;
    StepAutoScroll();
}

void ScrollEngine::TurnPageDown(int64_t messageInterval) {
    if (stepEnabled_) {
        if (!(pageWaitSeconds_ > 0)) PageDownTick(false);
        const long double elapsed = pageDwell_.Elapsed();
        if (!(pageWaitSeconds_ >= elapsed)) PageDownTick(true);
    } else {
        pageWaitSeconds_ = 0;
        host_.ProcessMessages();
    }
    BackgroundUntil(lastMessageTime_ + messageInterval, messageInterval);
}

void ScrollEngine::CheckMessages(int64_t messageInterval) {
    if (lastMessageTime_ + messageInterval >= timing_.Counter()) return;
    ProcessMessagesNow();
}

void ScrollEngine::BackgroundUntil(int64_t deadline, int64_t messageInterval) {
    if (view_.BackgroundStep(deadline)) {
        ProcessMessagesNow();
        timing_.Sleep();
        return;
    }
    CheckMessages(messageInterval);
}

void ScrollEngine::ProcessMessagesNow() {
    host_.ProcessMessages();
    lastMessageTime_ = timing_.Counter();
}

void ScrollEngine::StepAutoScroll() {
    ++statistics_.StepCount;
    ++statistics_.StepsTotal;
    if (view_.CanAdvance(false)) {
        if (!options_.Effective(Setting::ConstantSpeed)) UpdateVariablePeriod();
        view_.PresentAutoStep();
        host_.ProcessMessages();
    } else if (options_.AutoScrollOn()) {
        ToggleAutoScroll();
    }
}

void ScrollEngine::PageDownTick(bool turn) {
    if (!view_.CanAdvance(false)) {
        if (options_.AutoScrollOn()) ToggleAutoScroll();
        return;
    }
    if (turn) {
        view_.NextPage();
        // The page command restarts the dwell too; doing it here as well keeps the dwell
        // right whatever the command does, and both land after the page has moved.
        pageDwell_.Restart();
        host_.ProcessMessages();
    } else {
        pageDwell_.Restart();
    }
    pageWaitSeconds_ = PageDwellSeconds(
        options_.Effective(Setting::ConstantSpeed) != 0, view_.MeasureScreenText(), view_.MeasurePage(),
        options_.Effective(Setting::LinesPerSecond), options_.Effective(Setting::CharsPerSecond));
}

void ScrollEngine::WaitWithBackground(int64_t deadline) {
    timing_.EnsureCalibrated();
    for (;;) {
        if (timing_.Counter() >= deadline) return;
        if (!view_.BackgroundStep(deadline)) continue;
        const int64_t now = timing_.Counter();
        if (now >= deadline) return;
        if (now + timing_.SleepGranularity < deadline)
            timing_.Sleep();
        else
            // Closer than a one-millisecond sleep: a short sleep to within the margin, the rest
            // spun (where there are no short sleeps, all of it).
            timing_.SleepShortBefore(deadline);
    }
}

bool ScrollEngine::TakeManualSpeedSample() {
    const long double seconds = pageDwell_.Elapsed();
    const std::optional<ManualSpeed> speed =
        ManualSpeedSample(seconds, view_.MeasureScreenText(), view_.MeasurePage());
    if (!speed) return false;
    measuredSpeed_ = *speed;
    showMeasured_ = true;
    return true;
}

void ScrollEngine::UpdateVariablePeriod() {
    timing_.EnsureCalibrated();
    stepPeriod_ = VariableStepPeriod(timing_.PerfFrequency, view_.MeasureScreenText(), view_.MeasurePage(),
                                     options_.Effective(Setting::CharsPerSecond));
}

const StateDecision& ScrollEngine::ApplyState() {
    timing_.EnsureCalibrated();
    decision_ = DecideState(options_, timing_.PerfFrequency, screenSaverWasActive_);
    // Moving text shows its own speed; the reader's measured one would contradict it.
    if (options_.AutoScrollOn()) showMeasured_ = false;
    if (options_.Effective(Setting::ConstantSpeed)) {
        stepPeriod_ = decision_.stepPeriod;
    } else {
        // The first due step is judged by this period, so it must already be the variable one.
        UpdateVariablePeriod();
        decision_.stepPeriod = stepPeriod_;
    }
    return decision_;
}

void ScrollEngine::ToggleAutoScroll() {
    options_.SetAutoScrollOn(!options_.AutoScrollOn());
    options_.SignalChange(kPendingState);
    stepEnabled_ = options_.AutoScrollOn();
    if (timer_ != nullptr) timer_->SetEnabled(stepEnabled_);
    statistics_.ClearCounts();
    host_.InvalidateSurface();
}

bool ScrollEngine::CloseQuery() {
    stepEnabled_ = false;
    loopRunning_ = false;
    closeRequested_ = true;
    return !insideLoop_;
}

}  // namespace corvalin
