#pragma once

#include <cstdint>
#include <optional>

namespace corvalin {

// The text on screen, as the variable speed and the page dwell count it.
struct ScreenText {
    // For every line on screen: the lengths of its words' texts plus 2, summed.
    int64_t charCount = 0;
    // Bottom of the last screen line minus the top of the first, in pixels; 0 with no line.
    int32_t extentPx = 0;
};

// Page and reading-font sizes, in screen pixels.
struct PageMetrics {
    int32_t pageWidthPx = 0;
    int32_t pageHeightPx = 0;
    int32_t letterAWidthPx = 0;   // width of "A" in the reading font
    int32_t letterAHeightPx = 0;  // height of "A"
};

// One step moves the text one pixel, so at constant speed the period is one second over the
// lines (pixels) per second. Speeds below 1 count as 1; the result is at least one tick.
int64_t ConstantStepPeriod(int64_t perfFrequency, int32_t linesPerSecond);

// The period that moves the characters now on screen past at charsPerSecond. An empty screen
// counts half the "A" widths across the page over the height of one "A".
int64_t VariableStepPeriod(int64_t perfFrequency, const ScreenText& text, const PageMetrics& page,
                           int32_t charsPerSecond);

// How long a page stands still in "Page Down" mode before it is turned.
long double PageDwellSeconds(bool constantSpeed, const ScreenText& text, const PageMetrics& page,
                             int32_t linesPerSecond, int32_t charsPerSecond);

// Periods shorter than this are too fast for sub-pixel steps: they are shown whole.
int64_t SuperScrollLimitPeriod(int64_t perfFrequency, int32_t superScrollLimit);

// Characters assumed for a page with no text on it: half the "A" widths across the page, at
// least 1.
int64_t EmptyScreenChars(const PageMetrics& page);

// The reader's own speed, timed between two page turns.
struct ManualSpeed {
    int32_t linesPerSecond = 0;
    int32_t charsPerSecond = 0;
};

// The speed of a reader who turned the page after `seconds` on it: the page height and the
// characters on it (an empty page counts as EmptyScreenChars) over the time, rounded. Nothing
// when no time passed or either figure falls outside the speeds a reader can set (1..500):
// a page skimmed past or left standing says nothing about reading.
std::optional<ManualSpeed> ManualSpeedSample(long double seconds, const ScreenText& text,
                                             const PageMetrics& page);

}  // namespace corvalin
