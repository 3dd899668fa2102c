#include "settings/WindowPlacement.h"

#include <algorithm>

namespace corvalin {
namespace {

// A size clipped to what is left of the screen beyond `start`, but never below `least`.
int32_t PlacedExtent(int32_t saved, int32_t start, int32_t screen, int32_t least) {
    if (saved < least) return least;
    const int64_t room = std::max<int64_t>(int64_t(screen) - start, least);
    return int32_t(std::min<int64_t>(saved, room));
}

}  // namespace

StartPlacement PlaceFromSaved(const WindowPlacement& saved, int32_t screenWidth, int32_t screenHeight) {
    StartPlacement placement;
    placement.normal.left = saved.left < 0 ? 0 : std::min(saved.left, screenWidth);
    placement.normal.top = saved.top < 0 ? 0 : std::min(saved.top, screenHeight);
    // The room is measured from the saved corner, not the pulled-back one: a window saved
    // beyond the screen's edge comes back at its smallest.
    placement.normal.width = PlacedExtent(saved.width, saved.left, screenWidth, kSavedWindowMinWidth);
    placement.normal.height = PlacedExtent(saved.height, saved.top, screenHeight, kSavedWindowMinHeight);
    switch (saved.mode) {
        case int32_t(WindowMode::FullScreen):
            placement.mode = WindowMode::FullScreen;
            break;
        case int32_t(WindowMode::Maximised):
            placement.mode = WindowMode::Maximised;
            break;
        default:
            placement.mode = WindowMode::Normal;
            break;
    }
    return placement;
}

WindowRect FullScreenRect(int32_t screenWidth, int32_t screenHeight) {
    return {0, 0, screenWidth, screenHeight};
}

WindowRect LeaveFullScreenRect(const WindowRect& normal, const WindowRect& workArea) {
    WindowRect rect;
    rect.left = std::max(normal.left, workArea.left);
    rect.top = std::max(normal.top, workArea.top);
    // Measured against the work area's size rather than its far edge; with the work area at
    // the origin, as on most desktops, the two agree.
    rect.width = int32_t(std::max<int64_t>(
        std::min<int64_t>(normal.width, int64_t(workArea.width) - rect.left), kWindowMinWidth));
    rect.height = int32_t(std::max<int64_t>(
        std::min<int64_t>(normal.height, int64_t(workArea.height) - rect.top), kWindowMinHeight));
    return rect;
}

WindowPlacement PlacementToSave(bool fullScreen, bool maximised, const WindowRect& window) {
    WindowPlacement saved;
    saved.mode = int32_t(fullScreen  ? WindowMode::FullScreen
                         : maximised ? WindowMode::Maximised
                                     : WindowMode::Normal);
    saved.left = window.left;
    saved.top = window.top;
    saved.width = window.width;
    saved.height = window.height;
    return saved;
}

}  // namespace corvalin
