#pragma once

namespace corvalin {

// The main window as the loop sees it.
class LoopHost {
public:
    virtual ~LoopHost() = default;

    // Handles the pending window events. Every command and dialog runs inside this call, so
    // it may re-enter the engine (toggle, close query, settings changes).
    virtual void ProcessMessages() = 0;
    // Automatic movement was switched on or off: the reading surface is repainted.
    virtual void InvalidateSurface() = 0;
    // The loop is about to take its first turn: the statistics timer starts here, so it never
    // waits on a main thread that has no loop yet.
    virtual void LoopStarted() {}
    // The loop has returned and LoopActive is false. A close that was asked for while the loop
    // ran saves the state and closes the window from here.
    virtual void LoopEnded() = 0;
};

}  // namespace corvalin
