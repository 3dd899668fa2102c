#pragma once

#include <cstdint>

#include "settings/StoredSettings.h"

namespace corvalin {

// The main window's own limit, and the larger one a window placed from saved values keeps.
constexpr int32_t kWindowMinWidth = 640;
constexpr int32_t kWindowMinHeight = 460;
constexpr int32_t kSavedWindowMinWidth = 640;
constexpr int32_t kSavedWindowMinHeight = 480;

struct WindowRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const WindowRect&) const = default;
};

// Where the first start puts the window: the normal rectangle (also the one to come back to
// when full screen is left) and the mode to switch to.
struct StartPlacement {
    WindowRect normal;
    WindowMode mode = WindowMode::Normal;
    bool operator==(const StartPlacement&) const = default;
};

// The saved placement of Global.cfg pulled onto a screen of the given size. Saved values come
// from a file and may be anything: the arithmetic cannot overflow, and an unknown mode means
// a normal window.
StartPlacement PlaceFromSaved(const WindowPlacement& saved, int32_t screenWidth, int32_t screenHeight);

// Full screen covers the whole screen.
WindowRect FullScreenRect(int32_t screenWidth, int32_t screenHeight);

// The rectangle remembered on entering full screen, clipped to the desktop work area on
// leaving it (the whole screen when the work area is unknown); never below the window's
// minimum size.
WindowRect LeaveFullScreenRect(const WindowRect& normal, const WindowRect& workArea);

// What Global.cfg keeps of the window: where it is now, and full screen before maximised.
WindowPlacement PlacementToSave(bool fullScreen, bool maximised, const WindowRect& window);

}  // namespace corvalin
