#pragma once

#include <cstdint>

#include "engine/StepPeriods.h"

namespace corvalin {

// The reading view and its presentation, as the main loop drives them. The main window
// implements it over the reading view and the screen paths.
class StepView {
public:
    virtual ~StepView() = default;

    // False once the end of the book has scrolled off the top of the text area, or with no
    // book open. anyDirection: the commanded moves may still go back.
    virtual bool CanAdvance(bool anyDirection) const = 0;
    // One automatic step: the text one pixel up, through the screen path in use.
    virtual void PresentAutoStep() = 0;
    // Moves one page on, as the Page Down command does.
    virtual void NextPage() = 0;
    // Formats and renders ahead until the counter reaches deadline; true when nothing is
    // left to do.
    virtual bool BackgroundStep(int64_t deadline) = 0;

    virtual ScreenText MeasureScreenText() const = 0;
    virtual PageMetrics MeasurePage() const = 0;
};

}  // namespace corvalin
