#include <gtest/gtest.h>

#include <climits>
#include <ostream>

#include "settings/WindowPlacement.h"

namespace corvalin {

void PrintTo(const WindowRect& rect, std::ostream* out) {
    *out << "(" << rect.left << ", " << rect.top << ", " << rect.width << " x " << rect.height << ")";
}

namespace {

TEST(WindowPlacement, FirstStartPullsTheSavedWindowOntoTheScreen) {
    struct Row {
        const char* name;
        WindowPlacement saved;  // mode, left, top, width, height
        int32_t screenWidth, screenHeight;
        WindowRect normal;
        WindowMode mode;
    };
    const Row rows[] = {
        {"fits as saved", {2, 100, 50, 800, 600}, 1024, 768, {100, 50, 800, 600}, WindowMode::Normal},
        {"saved beyond the bottom right",
         {2, 1500, 900, 800, 600},
         1024,
         768,
         {1024, 768, 640, 480},
         WindowMode::Normal},
        {"corner above the left and too small",
         {2, -5, -5, 500, 300},
         1024,
         768,
         {0, 0, 640, 480},
         WindowMode::Normal},
        {"wider and taller than the room beside it",
         {2, 400, 100, 900, 700},
         1024,
         768,
         {400, 100, 640, 668},
         WindowMode::Normal},
        // The room is measured from the saved corner, so a window partly off to the left may
        // come back wider than the screen minus its new left.
        {"room counted from the saved corner",
         {2, -200, 0, 1300, 700},
         1024,
         768,
         {0, 0, 1224, 700},
         WindowMode::Normal},
        {"factory values: full screen",
         WindowPlacement{},
         1920,
         1080,
         {0, 0, 640, 480},
         WindowMode::FullScreen},
        {"maximised", {1, 10, 20, 700, 500}, 1920, 1080, {10, 20, 700, 500}, WindowMode::Maximised},
        {"unknown mode is a normal window",
         {7, 10, 20, 700, 500},
         1920,
         1080,
         {10, 20, 700, 500},
         WindowMode::Normal},
        {"negative mode is a normal window",
         {-1, 10, 20, 700, 500},
         1920,
         1080,
         {10, 20, 700, 500},
         WindowMode::Normal},
        {"extreme values do not wrap around",
         {2, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN},
         1024,
         768,
         {0, 768, INT32_MAX, 480},
         WindowMode::Normal},
        {"screen smaller than the least window",
         {2, 0, 0, 800, 600},
         600,
         400,
         {0, 0, 640, 480},
         WindowMode::Normal},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StartPlacement placed = PlaceFromSaved(row.saved, row.screenWidth, row.screenHeight);
        EXPECT_EQ(placed.normal, row.normal);
        EXPECT_EQ(placed.mode, row.mode);
    }
}

TEST(WindowPlacement, LeavingFullScreenClipsTheRememberedRectangleToTheWorkArea) {
    struct Row {
        const char* name;
        WindowRect normal;
        WindowRect workArea;
        WindowRect expected;
    };
    const Row rows[] = {
        {"inside the work area", {100, 50, 800, 600}, {0, 0, 1920, 1040}, {100, 50, 800, 600}},
        {"under a panel at the top", {0, 0, 800, 600}, {0, 32, 1920, 1048}, {0, 32, 800, 600}},
        {"as large as the screen", {0, 0, 1920, 1080}, {0, 0, 1920, 1040}, {0, 0, 1920, 1040}},
        {"would shrink below the window's least size",
         {1500, 700, 800, 600},
         {0, 0, 1920, 1040},
         {1500, 700, 640, 460}},
        {"beside a panel on the left", {0, 0, 1000, 700}, {64, 0, 1856, 1080}, {64, 0, 1000, 700}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(LeaveFullScreenRect(row.normal, row.workArea), row.expected);
    }
}

TEST(WindowPlacement, SavedValuesAreTheWindowAsItIs) {
    const WindowRect rect{30, 40, 900, 700};
    EXPECT_EQ(PlacementToSave(false, false, rect), (WindowPlacement{2, 30, 40, 900, 700}));
    EXPECT_EQ(PlacementToSave(false, true, rect), (WindowPlacement{1, 30, 40, 900, 700}));
    // Full screen wins over maximised: a maximised window may be switched to full screen.
    EXPECT_EQ(PlacementToSave(true, true, FullScreenRect(1024, 768)), (WindowPlacement{0, 0, 0, 1024, 768}));

    // A full-screen session starts full screen again, with the screen as the normal rectangle.
    const StartPlacement next =
        PlaceFromSaved(PlacementToSave(true, false, FullScreenRect(1024, 768)), 1024, 768);
    EXPECT_EQ(next.mode, WindowMode::FullScreen);
    EXPECT_EQ(next.normal, (WindowRect{0, 0, 1024, 768}));
}

}  // namespace
}  // namespace corvalin
