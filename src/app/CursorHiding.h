#pragma once

#include <cstdint>

#include "engine/PerfTiming.h"
#include "engine/TStopwatch.h"

class QWidget;

namespace corvalin {

struct CursorPoint {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const CursorPoint&) const = default;
};

enum class CursorAction { None, Hide, Show };

// The mouse cursor gets out of the way of the text: it goes after 15 s without a movement, or
// after 3 s while the text moves by itself, and comes back with the first movement. Driven by
// the window's 200 ms timer; time comes from the injected timing, so it can be simulated.
class CursorHiding {
public:
    static constexpr long double kIdleSeconds = 15.0L;
    static constexpr long double kIdleSecondsWhileMoving = 3.0L;

    CursorHiding(PerfTiming& timing, CursorPoint position);

    // One look at the cursor; says what to do with it.
    CursorAction Check(CursorPoint position, bool autoScrollOn);

    bool CursorShown() const { return cursorShown_; }

private:
    TStopwatch idle_;
    CursorPoint lastCursorPos_;
    bool cursorShown_ = true;
};

// CursorHiding on a real widget: reads the screen cursor position and blanks the widget's
// cursor (which its children without a cursor of their own share).
class WidgetCursorHiding {
public:
    WidgetCursorHiding(QWidget& widget, PerfTiming& timing);

    void Check(bool autoScrollOn);
    bool CursorShown() const { return rule_.CursorShown(); }

private:
    QWidget& widget_;
    CursorHiding rule_;
};

}  // namespace corvalin
