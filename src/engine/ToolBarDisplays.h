#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace corvalin {

// What the tool bar's two displays show, worked out without a window: the speed gauge's texts
// and the information bar's columns. The window measures texts, keeps the stopwatches and
// draws; the choices and the geometry are made here.

// The speed setting shows this long after every change.
constexpr long double kSpeedDisplaySeconds = 2.0L;
// A clicked plus or minus mark flashes from white to nothing over this time.
constexpr long double kMarkFlashSeconds = 0.2L;
// The longest dwell the gauge writes out: 59:59.
constexpr int32_t kDwellDisplayMaxSeconds = 3599;

// The position in glyph digits: thousandths as "37.5%".
std::string PositionText(int64_t perMille);
// The gauge's hint: millionths rounded to five significant digits and written with exactly
// four decimals, "37.5010%" for 375012.
std::string PositionHintText(int64_t perMillion);
// The rest of a page's dwell as minutes and seconds, "4:07"; below 0 it is 0:00 and from an
// hour on 59:59.
std::string DwellText(long double remainingSeconds);
// Steps in the last second, followed by " - " and the late ones when there were any.
std::string MeasuredSpeedText(int32_t steps, int32_t late);

// What the text column of the gauge shows, in order of precedence.
enum class GaugeReadout {
    Nothing,
    SpeedSetting,   // "Constant" / "Variable" over the speed value, for a while after a change
    PageDwell,      // the rest of the page's dwell in "Page Down"
    MeasuredSpeed,  // "Speed" over the steps (and late steps) of the last second
    ReaderSpeed,    // "LPS = " and "CPS = " of the reader's own page turns
};

struct GaugeInputs {
    long double secondsSinceSpeedChange = 1e9L;
    bool moving = false;        // automatic movement on
    bool pageDownMode = false;  // the effective mode is "Page Down"
    long double pageWaitSeconds = 0;
    int32_t stepsLastSecond = 0;
    bool showMeasured = false;  // the reader's speed is on display and the last move was a page turn
};

GaugeReadout ChooseGaugeReadout(const GaugeInputs& inputs);

// The plus and minus marks: the grey level (0..255) their rectangle is filled with `seconds`
// after a click, or -1 once the flash is over.
int32_t MarkFlashGrey(long double seconds);

// The information bar: file name, file size, author and title in two rows of four columns
// (caption, value, caption, value), right of them the clock.
struct InfoBarInputs {
    int32_t boxWidthPx = 0;
    int32_t clockWidthPx = 0;  // the clock's glyphs
    // Widths of the captions "Filename", "FileSize", "Author", "Title" and of their values.
    std::array<int32_t, 4> captionWidthsPx{};
    std::array<int32_t, 4> valueWidthsPx{};
    // Seconds on each value column's marquee stopwatch.
    std::array<long double, 2> marqueeSeconds{};
};

struct InfoBarColumn {
    int32_t leftPx = 0;
    int32_t widthPx = 0;
};

struct InfoBarLayout {
    int32_t clockRightPx = 0;  // the clock's right edge
    bool bookShown = false;    // any pair fits beside the clock
    bool secondPairShown = false;
    // caption 1, value 1, caption 2, value 2
    std::array<InfoBarColumn, 4> columns{};
    // Where each value's text starts (name, size, author, title): its column's left edge plus
    // one, moved left by the marquee.
    std::array<int32_t, 4> valueXPx{};
    // A value column's marquee came round: its stopwatch starts again.
    std::array<bool, 2> restartMarquee{};
};

constexpr int32_t kInfoBarLeftPx = 10;
constexpr int32_t kInfoBarClockMarginPx = 10;
constexpr int32_t kInfoBarMinValuePx = 50;
constexpr int32_t kMarqueePxPerSecond = 5;
constexpr long double kMarqueeRestSeconds = 2.0L;

InfoBarLayout LayOutInfoBar(const InfoBarInputs& inputs);

// The marquee offset (0 or negative) of a column `columnWidthPx` wide whose widest value is
// `widestPx`, `seconds` after its stopwatch started. The text rests for 2 s, moves left at
// 5 px/s until its end shows, rests 2 s more and starts again (`restart`).
int32_t MarqueeOffset(int32_t columnWidthPx, int32_t widestPx, long double seconds, bool& restart);

}  // namespace corvalin
