#pragma once

#include <cstdint>

#include "settings/SettingValues.h"

namespace corvalin {

// Window state values of Global.cfg.
enum class WindowMode : int32_t { FullScreen = 0, Maximised = 1, Normal = 2 };

// Where the main window was when the state was last saved. Without any Global.cfg the window
// starts in full screen with these values.
struct WindowPlacement {
    int32_t mode = int32_t(WindowMode::FullScreen);
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 640;
    int32_t height = 480;
    bool operator==(const WindowPlacement&) const = default;
};

constexpr int32_t kDefaultPreviewLines = 10;
constexpr int32_t kMaxPreviewLines = 24;

// The values read from Global.cfg at start-up, factory defaults where the file said nothing.
// Filled once and never written while the program runs: a book without its own font width or
// formatting falls back to these, not to the live settings.
struct StoredSettings {
    SettingValues values;
    WindowPlacement window;
    int32_t previewLines = kDefaultPreviewLines;  // lines of a book's preview in the library
    bool operator==(const StoredSettings&) const = default;
};

}  // namespace corvalin
