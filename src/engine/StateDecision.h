#pragma once

#include <cstdint>

namespace corvalin {

class VEMOptions;

// Values of the effective AutoMode and ScrollMode settings.
enum AutoModeValue : int32_t { kModeScroll = 0, kModePageDown = 1, kModeWave = 2 };
enum ScrollModeValue : int32_t { kScrollSoftware = 0, kScrollHardware = 1, kScrollDirectX = 2 };

// What the reading state asks of the window and the platform after a change. The engine
// decides; the main window applies (priority class, screen-saver flag, tool bar, view).
struct StateDecision {
    int32_t autoMode = kModeScroll;        // as the loop will run it
    int32_t scrollMode = kScrollHardware;  // as the presentation will use it
    bool highPriority = false;             // else the normal priority class
    bool screenSaverActive = true;         // the flag to set: off while the text moves
    bool switchOffManualSpeedDisplay = false;
    bool toolHintsShown = true;          // every tool button's hint
    bool scrollButtonDown = false;       // ToolButtonScroll pressed
    int64_t stepPeriod = 1;              // counter ticks per one-pixel step
    int64_t superScrollLimitPeriod = 1;  // for the view: shorter periods show steps whole
};

// Everything but a variable-speed period, which needs the screen; for variable speed
// stepPeriod holds the constant-speed value and the engine replaces it.
// `screenSaverWasActive` is the flag as read when the window was created.
StateDecision DecideState(const VEMOptions& options, int64_t perfFrequency, bool screenSaverWasActive);

}  // namespace corvalin
