#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/LoopHost.h"
#include "engine/PerfTiming.h"
#include "engine/ScrollEngine.h"
#include "engine/SimulatedTime.h"
#include "engine/StepView.h"
#include "settings/VEMOptions.h"

namespace corvalin::test {

// A reading view that only counts: steps and page turns are recorded with the simulated time
// and the engine's schedule; the end of the book comes after `advancesLeft` moves.
class FakeStepView final : public StepView {
public:
    explicit FakeStepView(SimulatedTime& time) : time_(time) {}

    bool CanAdvance(bool) const override { return advancesLeft > 0; }
    void PresentAutoStep() override {
        --advancesLeft;
        stepTimes.push_back(time_.Now());
        if (engine != nullptr) scheduledTimes.push_back(engine->NextStepTime());
        if (onStep) onStep(stepTimes.size());
    }
    void NextPage() override {
        --advancesLeft;
        pageTimes.push_back(time_.Now());
    }
    bool BackgroundStep(int64_t) override {
        // A loop that never lets the test's script run (no message check) fails instead of
        // hanging the test run.
        if (time_.Now() > kGiveUpAt) throw std::runtime_error("the loop ran past an hour of simulated time");
        if (busyCostNs == 0) return true;
        time_.Advance(busyCostNs);
        return false;
    }
    ScreenText MeasureScreenText() const override { return text; }
    PageMetrics MeasurePage() const override { return page; }

    const ScrollEngine* engine = nullptr;
    int64_t advancesLeft = std::numeric_limits<int64_t>::max();
    int64_t busyCostNs = 0;  // 0: idle, nothing left to do
    ScreenText text;
    PageMetrics page = {800, 600, 10, 16};
    // Called after each step with the number of steps so far.
    std::function<void(size_t)> onStep;

    std::vector<int64_t> stepTimes;
    std::vector<int64_t> scheduledTimes;
    std::vector<int64_t> pageTimes;

private:
    static constexpr int64_t kGiveUpAt = 3600 * kNsPerSecond;
    SimulatedTime& time_;
};

// The main window's side: the test's script runs inside ProcessMessages, as commands do.
class FakeLoopHost final : public LoopHost {
public:
    explicit FakeLoopHost(SimulatedTime& time) : time_(time) {}

    void ProcessMessages() override {
        const int64_t now = time_.Now();
        if (messageCalls > 0 && now - lastMessageAt > longestMessageGap)
            longestMessageGap = now - lastMessageAt;
        lastMessageAt = now;
        ++messageCalls;
        if (script) script();
    }
    void InvalidateSurface() override { ++invalidations; }
    void LoopEnded() override {
        events.push_back("loop ended");
        if (onLoopEnded) onLoopEnded();
    }

    std::function<void()> script;
    std::function<void()> onLoopEnded;
    int64_t messageCalls = 0;
    int64_t lastMessageAt = 0;
    int64_t longestMessageGap = 0;
    int32_t invalidations = 0;
    std::vector<std::string> events;

private:
    SimulatedTime& time_;
};

// The engine wired as the main window wires it, over simulated time.
struct EngineRig {
    EngineRig() {
        view.engine = &engine;
        options.OnStateChanged = [this] { engine.ApplyState(); };
    }

    // Runs the loop: the reader switches movement on at the first message check, and the
    // window is closed once `seconds` of simulated time have passed since then.
    void RunMoving(double seconds) {
        int64_t closeAt = -1;
        FakeLoopHost& h = host;
        auto previous = h.script;
        h.script = [this, seconds, &closeAt, previous] {
            if (closeAt < 0) {
                closeAt = time.Now() + int64_t(seconds * kNsPerSecond);
                engine.ToggleAutoScroll();
            }
            if (previous) previous();
            if (time.Now() >= closeAt) engine.CloseQuery();
        };
        engine.MainLoop();
        h.script = previous;
    }

    SimulatedTime time;
    PerfTiming timing{time, time};
    VEMOptions options;
    FakeStepView view{time};
    FakeLoopHost host{time};
    ScrollEngine engine{timing, options, view, host};
};

}  // namespace corvalin::test
