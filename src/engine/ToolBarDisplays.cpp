#include "engine/ToolBarDisplays.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace corvalin {
namespace {

// Keeps the five leading digits of `value`, rounding half up: 375012 becomes 375010.
int64_t RoundToFiveDigits(int64_t value) {
    int64_t unit = 1;
    while (value / unit >= 100000) unit *= 10;
    return (value + unit / 2) / unit * unit;
}

}  // namespace

std::string PositionText(int64_t perMille) {
    perMille = std::max<int64_t>(0, perMille);
    return std::to_string(perMille / 10) + "." + std::to_string(perMille % 10) + "%";
}

std::string PositionHintText(int64_t perMillion) {
    const int64_t q = RoundToFiveDigits(std::max<int64_t>(0, perMillion));
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%04lld%%", static_cast<long long>(q / 10000),
                  static_cast<long long>(q % 10000));
    return text;
}

std::string DwellText(long double remainingSeconds) {
    const long double limited = std::clamp<long double>(std::isnan(remainingSeconds) ? 0 : remainingSeconds,
                                                        0, kDwellDisplayMaxSeconds);
    const int32_t s = int32_t(std::floor(limited));
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d", s / 60, s % 60);
    return text;
}

std::string MeasuredSpeedText(int32_t steps, int32_t late) {
    std::string text = std::to_string(steps);
    if (late > 0) text += " - " + std::to_string(late);
    return text;
}

GaugeReadout ChooseGaugeReadout(const GaugeInputs& inputs) {
    if (inputs.secondsSinceSpeedChange < kSpeedDisplaySeconds) return GaugeReadout::SpeedSetting;
    if (inputs.moving && inputs.pageDownMode && inputs.pageWaitSeconds > 0) return GaugeReadout::PageDwell;
    if (inputs.stepsLastSecond > 0) return GaugeReadout::MeasuredSpeed;
    if (inputs.showMeasured) return GaugeReadout::ReaderSpeed;
    return GaugeReadout::Nothing;
}

int32_t MarkFlashGrey(long double seconds) {
    if (!(seconds < kMarkFlashSeconds)) return -1;
    const long double level = std::floor((kMarkFlashSeconds - seconds) / kMarkFlashSeconds * 256.0L);
    return int32_t(std::clamp<long double>(level, 0, 255));
}

int32_t MarqueeOffset(int32_t columnWidthPx, int32_t widestPx, long double seconds, bool& restart) {
    const int32_t room = columnWidthPx - widestPx;  // negative when the widest does not fit
    // Starts 2 s worth of pixels to the right of the rest position, so it waits there first.
    int64_t s = int64_t(std::floor((kMarqueeRestSeconds - seconds) * kMarqueePxPerSecond));
    restart = false;
    // 2 s past the end position: round again.
    if (s + int64_t(kMarqueeRestSeconds * kMarqueePxPerSecond) < room) {
        restart = true;
        s = 0;
    }
    return int32_t(std::min<int64_t>(std::max<int64_t>(s, room), 0));
}

InfoBarLayout LayOutInfoBar(const InfoBarInputs& in) {
    InfoBarLayout out;
    out.clockRightPx = in.boxWidthPx - kInfoBarClockMarginPx;
    const int32_t clockColumn = in.clockWidthPx + kInfoBarClockMarginPx;
    const int32_t available = in.boxWidthPx - clockColumn - 2 * kInfoBarClockMarginPx;

    constexpr int32_t kValueMargin = 2;
    constexpr int32_t kSecondCaptionGap = 8;
    const auto& c = in.captionWidthsPx;
    const auto& v = in.valueWidthsPx;
    const int32_t caption1 = std::max(c[0], c[1]);
    const int32_t value1 = std::max(v[0], v[1]) + kValueMargin;
    const int32_t caption2 = std::max(c[2], c[3]) + kSecondCaptionGap;
    const int32_t value2 = std::max(v[2], v[3]) + kValueMargin;

    const int32_t firstNeeds = caption1 + std::min(value1, kInfoBarMinValuePx);
    if (available < firstNeeds) return out;
    out.bookShown = true;
    const int32_t secondNeeds = caption2 + std::min(value2, kInfoBarMinValuePx);
    int32_t width1 = 0, width2 = 0;
    if (available >= firstNeeds + secondNeeds) {
        out.secondPairShown = true;
        const int32_t room = available - caption1 - caption2;
        if (room >= value1 + value2) {
            width1 = value1;
            width2 = value2;
        } else if (room < 2 * std::min(value1, value2)) {
            width1 = std::max<int32_t>(int32_t(int64_t(value1) * room / std::max(value1 + value2, 1)),
                                       kInfoBarMinValuePx);
            width2 = room - width1;
        } else if (value1 <= value2) {
            width1 = value1;
            width2 = room - value1;
        } else {
            width2 = value2;
            width1 = room - value2;
        }
    } else {
        width1 = available - caption1;
    }

    out.columns[0] = {kInfoBarLeftPx, caption1};
    out.columns[1] = {kInfoBarLeftPx + caption1, width1};
    if (out.secondPairShown) {
        const int32_t captionLeft = out.columns[1].leftPx + width1;
        out.columns[2] = {captionLeft + kSecondCaptionGap, caption2 - kSecondCaptionGap};
        out.columns[3] = {captionLeft + caption2, width2};
    }

    // Each value column scrolls its widest value; a narrower one stops once its own end shows.
    for (int32_t pair = 0; pair < (out.secondPairShown ? 2 : 1); ++pair) {
        const InfoBarColumn& column = out.columns[size_t(2 * pair + 1)];
        const int32_t first = v[size_t(2 * pair)], second = v[size_t(2 * pair + 1)];
        bool restart = false;
        const int32_t s =
            MarqueeOffset(column.widthPx, std::max(first, second), in.marqueeSeconds[size_t(pair)], restart);
        out.restartMarquee[size_t(pair)] = restart;
        for (int32_t k = 0; k < 2; ++k) {
            const int32_t own = v[size_t(2 * pair + k)];
            out.valueXPx[size_t(2 * pair + k)] =
                column.leftPx + 1 + std::max(s, std::min(column.widthPx - own, 0));
        }
    }
    return out;
}

}  // namespace corvalin
