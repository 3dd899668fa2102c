#include "engine/StepPeriods.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvalin {

namespace {

int64_t AtLeastOne(int64_t value) { return std::max<int64_t>(value, 1); }

// A truncated period that fits the counter: never 0, never past the 64-bit range.
int64_t TruncatedPeriod(long double ticks) {
    constexpr long double kLimit = static_cast<long double>(std::numeric_limits<int64_t>::max() / 2);
    if (!(ticks < kLimit)) return std::numeric_limits<int64_t>::max() / 2;
    return AtLeastOne(static_cast<int64_t>(ticks));
}

}  // namespace

int64_t EmptyScreenChars(const PageMetrics& page) {
    // A font that reports no width for "A" must not divide by zero; 1 keeps the page width.
    const int64_t across = page.pageWidthPx / std::max(page.letterAWidthPx, 1);
    return AtLeastOne(across >> 1);
}

int64_t ConstantStepPeriod(int64_t perfFrequency, int32_t linesPerSecond) {
    return AtLeastOne(perfFrequency / std::max(linesPerSecond, 1));
}

int64_t VariableStepPeriod(int64_t perfFrequency, const ScreenText& text, const PageMetrics& page,
                           int32_t charsPerSecond) {
    const int32_t cps = std::max(charsPerSecond, 1);
    int64_t chars = text.charCount;
    int64_t extent = text.extentPx;
    if (chars < 1 || extent < 1) chars = EmptyScreenChars(page);
    // A nearly empty screen would otherwise race through it.
    chars = std::max(chars, AtLeastOne(cps >> 1));
    // The height of "A" is the extent of an empty page; at least a pixel so it stays finite.
    if (extent < 1) extent = AtLeastOne(page.letterAHeightPx);
    const long double pixelsPerSecond = static_cast<long double>(extent) * cps;
    return TruncatedPeriod(static_cast<long double>(perfFrequency) * chars / pixelsPerSecond);
}

long double PageDwellSeconds(bool constantSpeed, const ScreenText& text, const PageMetrics& page,
                             int32_t linesPerSecond, int32_t charsPerSecond) {
    if (constantSpeed) {
        return static_cast<long double>(page.pageHeightPx) / std::max(linesPerSecond, 1);
    }
    const int32_t cps = std::max(charsPerSecond, 1);
    int64_t chars = text.charCount;
    if (chars <= 0) chars = EmptyScreenChars(page);
    chars = std::max<int64_t>(chars, cps >> 1);
    return static_cast<long double>(chars) / cps;
}

std::optional<ManualSpeed> ManualSpeedSample(long double seconds, const ScreenText& text,
                                             const PageMetrics& page) {
    constexpr long double kSlowest = 1;
    constexpr long double kFastest = 500;
    if (!(seconds > 0)) return std::nullopt;
    int64_t chars = text.charCount;
    if (chars < 1) chars = EmptyScreenChars(page);
    const long double lps = std::floor(page.pageHeightPx / seconds + 0.5L);
    if (!(lps >= kSlowest && lps <= kFastest)) return std::nullopt;
    const long double cps = std::floor(chars / seconds + 0.5L);
    if (!(cps >= kSlowest && cps <= kFastest)) return std::nullopt;
    return ManualSpeed{static_cast<int32_t>(lps), static_cast<int32_t>(cps)};
}

int64_t SuperScrollLimitPeriod(int64_t perfFrequency, int32_t superScrollLimit) {
    return perfFrequency / std::max(superScrollLimit, 1);
}

}  // namespace corvalin
