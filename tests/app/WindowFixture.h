#pragma once

#include <QString>
#include <filesystem>

#include "app/MainWindow.h"
#include "engine/SimulatedTime.h"

namespace corvalin::test {

// A clock of the window's own, made before the window that reads it. A reading costs 5 ms, as
// the repaint between two frames of a movement would, so a movement shows few frames.
struct OwnClock {
    SimulatedTime time{5 * kNsPerMs};
    PerfTiming timing{time, time};
};

// The reader window on simulated time with its message boxes swallowed. Its main loop stays
// off unless asked for: the loop returns only when the window closes.
class QuietReaderWindow : private OwnClock, public TAA_Main {
public:
    explicit QuietReaderWindow(const std::filesystem::path& folder, bool runMainLoop = false)
        : TAA_Main(folder, {&timing, runMainLoop}) {}

protected:
    void ShowError(const QString&) override {}
};

}  // namespace corvalin::test
