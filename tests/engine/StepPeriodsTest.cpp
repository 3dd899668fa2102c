#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "engine/StepPeriods.h"

namespace corvalin {
namespace {

constexpr int64_t kNs = 1'000'000'000;
// 800 x 600 page, "A" 10 wide and 16 high.
constexpr PageMetrics kPage = {800, 600, 10, 16};

TEST(StepPeriods, ConstantSpeed) {
    struct Row {
        const char* name;
        int64_t frequency;
        int32_t linesPerSecond;
        int64_t period;
    };
    const Row rows[] = {
        {"OnePixelPerSecond", kNs, 1, kNs},         {"FiveHundredPixelsPerSecond", kNs, 500, 2'000'000},
        {"TruncatedDivision", kNs, 3, 333'333'333}, {"ZeroReadsAsOne", kNs, 0, kNs},
        {"NegativeReadsAsOne", kNs, -5, kNs},       {"NeverBelowOneTick", 100, 500, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ConstantStepPeriod(row.frequency, row.linesPerSecond), row.period);
    }
}

TEST(StepPeriods, VariableSpeed) {
    struct Row {
        const char* name;
        int64_t frequency;
        ScreenText text;
        PageMetrics page;
        int32_t charsPerSecond;
        int64_t period;
    };
    const Row rows[] = {
        // 1000 characters over 600 pixels at 30 cps: 18 pixels a second.
        {"LinesOnScreen", kNs, {1000, 600}, kPage, 30, 55'555'555},
        // Half of the 80 "A" widths across, over one "A" height.
        {"EmptyScreen", kNs, {0, 0}, kPage, 30, 83'333'333},
        {"CharactersWithoutExtentCountAsEmpty", kNs, {500, 0}, kPage, 30, 83'333'333},
        {"ExtentWithoutCharactersCountsAsEmptyChars", kNs, {0, 300}, kPage, 30, 4'444'444},
        {"FewCharactersRaisedToHalfTheSpeed", kNs, {5, 100}, kPage, 100, 5'000'000},
        {"NarrowPageStillOneCharacterThenHalfTheSpeed", kNs, {0, 0}, {5, 600, 10, 16}, 30, 31'250'000},
        {"SpeedZeroReadsAsOne", kNs, {1000, 600}, kPage, 0, 1'666'666'666},
        {"FontWithoutLetterSizeStaysFinite", kNs, {0, 0}, {800, 600, 0, 0}, 30, 13'333'333'333},
        {"NeverBelowOneTick", 100, {1, 2'000'000}, kPage, 500, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(VariableStepPeriod(row.frequency, row.text, row.page, row.charsPerSecond), row.period);
    }
}

TEST(StepPeriods, PageDwell) {
    struct Row {
        const char* name;
        bool constantSpeed;
        ScreenText text;
        int32_t linesPerSecond;
        int32_t charsPerSecond;
        double seconds;
    };
    const Row rows[] = {
        {"ConstantTwentyLinesSixHundredPixels", true, {1000, 580}, 20, 30, 30.0},
        {"ConstantSpeedZeroReadsAsOne", true, {1000, 580}, 0, 30, 600.0},
        {"VariableScreenCharacters", false, {600, 580}, 20, 30, 20.0},
        {"VariableEmptyScreenHalfTheLetterWidths", false, {0, 0}, 20, 30, 40.0 / 30.0},
        {"VariableFewCharactersRaisedToHalfTheSpeed", false, {10, 16}, 20, 100, 0.5},
        {"VariableSpeedZeroReadsAsOne", false, {600, 580}, 20, 0, 600.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_DOUBLE_EQ(double(PageDwellSeconds(row.constantSpeed, row.text, kPage, row.linesPerSecond,
                                                 row.charsPerSecond)),
                         row.seconds);
    }
}

TEST(StepPeriods, SuperScrollLimit) {
    struct Row {
        const char* name;
        int32_t limit;
        int64_t period;
    };
    const Row rows[] = {
        {"Default", 40, 25'000'000},
        {"Highest", 100, 10'000'000},
        {"ZeroReadsAsOne", 0, kNs},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SuperScrollLimitPeriod(kNs, row.limit), row.period);
    }
}

// A reader's speed between two page turns: rounded, and only when both figures are speeds a
// reader could set.
TEST(StepPeriods, ManualSpeedSample) {
    struct Row {
        const char* name;
        long double seconds;
        int64_t chars;
        int32_t pageHeightPx;
        int32_t lps;  // 0: no sample
        int32_t cps;
    };
    const Row rows[] = {
        {"ReadingPace", 10, 1500, 600, 60, 150},
        {"RoundsHalfUp", 4, 1002, 602, 151, 251},
        {"EmptyPageCountsHalfTheAWidths", 2, 0, 600, 300, 20},
        {"FastestAcceptedAfterRounding", 2, 100, 999, 500, 50},
        {"SkimmedPastRoundsAbove500", 2, 100, 1001, 0, 0},
        {"TooManyCharactersPerSecond", 10, 10'000, 600, 0, 0},
        {"LeftStandingBelowOneLine", 1300, 1500, 600, 0, 0},
        {"NoTimePassed", 0, 1500, 600, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PageMetrics page = kPage;
        page.pageHeightPx = row.pageHeightPx;
        const std::optional<ManualSpeed> speed =
            ManualSpeedSample(row.seconds, ScreenText{row.chars, 500}, page);
        ASSERT_EQ(speed.has_value(), row.lps != 0);
        if (!speed) continue;
        EXPECT_EQ(speed->linesPerSecond, row.lps);
        EXPECT_EQ(speed->charsPerSecond, row.cps);
    }
}

}  // namespace
}  // namespace corvalin
