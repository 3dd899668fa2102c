#pragma once

#include "app/engine/LoopHost.h"
#include "app/engine/StepView.h"

namespace corvalin {

class TAA_Main;

// The main window as the scroll engine drives it: its reading view and screen paths for the
// steps, and its message processing for everything else.
class SessionLoop final : public StepView, public LoopHost {
public:
    explicit SessionLoop(TAA_Main& window) : window_(window) {}

    bool CanAdvance(bool anyDirection) const override;
    void PresentAutoStep() override;
    void NextPage() override;
    bool BackgroundStep(int64_t deadline) override;
    ScreenText MeasureScreenText() const override;
    PageMetrics MeasurePage() const override;

    void ProcessMessages() override;
    void InvalidateSurface() override;
    void LoopEnded() override;

private:
    TAA_Main& window_;
};

}  // namespace corvalin
