// The texts and choices of the speed gauge and the columns of the information bar.
#include <gtest/gtest.h>

#include "engine/StepStatistics.h"
#include "engine/ToolBarDisplays.h"

namespace corvalin {
namespace {

TEST(SpeedGaugeTexts, PositionAndItsHint) {
    EXPECT_EQ(PositionText(0), "0.0%");
    EXPECT_EQ(PositionText(375), "37.5%");
    EXPECT_EQ(PositionText(999), "99.9%");
    EXPECT_EQ(PositionText(1000), "100.0%");
    struct Row {
        const char* name;
        int64_t perMillion;
        const char* hint;
    } const rows[] = {
        {"FiveSignificantDigits", 375012, "37.5010%"},
        {"RoundsHalfUp", 375015, "37.5020%"},
        {"SmallKeepsItsDigits", 5, "0.0005%"},
        {"BelowTenPercent", 12345, "1.2345%"},
        {"Start", 0, "0.0000%"},
        {"Whole", 1000000, "100.0000%"},
        {"RoundsUpIntoTheNextDigit", 999996, "100.0000%"},
    };
    for (const Row& row : rows) EXPECT_EQ(PositionHintText(row.perMillion), row.hint) << row.name;
}

TEST(SpeedGaugeTexts, DwellIsMinutesAndSecondsCappedBelowAnHour) {
    struct Row {
        const char* name;
        long double seconds;
        const char* text;
    } const rows[] = {
        {"Example", 247.0L, "4:07"},
        {"FractionsCutOff", 247.99L, "4:07"},
        {"Zero", 0.0L, "0:00"},
        {"PastTheEnd", -3.5L, "0:00"},
        {"LastSecondOfTheHour", 3599.5L, "59:59"},
        {"AnHour", 3600.0L, "59:59"},
        {"ADay", 86400.0L, "59:59"},
    };
    for (const Row& row : rows) EXPECT_EQ(DwellText(row.seconds), row.text) << row.name;
}

TEST(SpeedGaugeTexts, MeasuredSpeedNamesLateStepsOnlyWhenThereAreSome) {
    EXPECT_EQ(MeasuredSpeedText(500, 0), "500");
    EXPECT_EQ(MeasuredSpeedText(497, 3), "497 - 3");
}

TEST(SpeedGauge, ReadoutPrecedence) {
    struct Row {
        const char* name;
        GaugeInputs in;
        GaugeReadout expected;
    };
    GaugeInputs quiet;
    GaugeInputs changed = quiet;
    changed.secondsSinceSpeedChange = 1.9L;
    changed.stepsLastSecond = 50;
    GaugeInputs expired = changed;
    expired.secondsSinceSpeedChange = 2.0L;
    GaugeInputs dwell;
    dwell.moving = true;
    dwell.pageDownMode = true;
    dwell.pageWaitSeconds = 12;
    dwell.stepsLastSecond = 3;
    GaugeInputs dwellStopped = dwell;
    dwellStopped.moving = false;
    GaugeInputs reader;
    reader.showMeasured = true;
    GaugeInputs readerWhileStepping = reader;
    readerWhileStepping.stepsLastSecond = 1;
    const Row rows[] = {
        {"Nothing", quiet, GaugeReadout::Nothing},
        {"SpeedForTwoSecondsAfterAChange", changed, GaugeReadout::SpeedSetting},
        {"ThenTheMeasuredSpeed", expired, GaugeReadout::MeasuredSpeed},
        {"DwellWhilePagingDown", dwell, GaugeReadout::PageDwell},
        {"NoDwellWhenStopped", dwellStopped, GaugeReadout::MeasuredSpeed},
        {"ReaderSpeed", reader, GaugeReadout::ReaderSpeed},
        {"StepsComeFirst", readerWhileStepping, GaugeReadout::MeasuredSpeed},
    };
    for (const Row& row : rows) EXPECT_EQ(ChooseGaugeReadout(row.in), row.expected) << row.name;
}

TEST(SpeedGauge, MarkFlashFadesOverAFifthOfASecond) {
    EXPECT_EQ(MarkFlashGrey(0.0L), 255);
    EXPECT_EQ(MarkFlashGrey(0.1L), 128);
    EXPECT_EQ(MarkFlashGrey(0.19L), 12);
    EXPECT_EQ(MarkFlashGrey(0.2L), -1);
    EXPECT_EQ(MarkFlashGrey(10.0L), -1);
}

TEST(InformationBar, OnlyTheClockWhenTheFirstPairDoesNotFit) {
    InfoBarInputs in;
    in.clockWidthPx = 104;
    in.captionWidthsPx = {50, 55, 40, 30};
    in.valueWidthsPx = {80, 40, 200, 300};
    // Room = box - clock - 10 - 20 must hold the first caption column and 50 of its values.
    in.boxWidthPx = 104 + 10 + 20 + 55 + 50 - 1;
    EXPECT_FALSE(LayOutInfoBar(in).bookShown);
    in.boxWidthPx += 1;
    const InfoBarLayout layout = LayOutInfoBar(in);
    EXPECT_TRUE(layout.bookShown);
    EXPECT_FALSE(layout.secondPairShown);
    EXPECT_EQ(layout.clockRightPx, in.boxWidthPx - 10);
    EXPECT_EQ(layout.columns[0].leftPx, 10);
    EXPECT_EQ(layout.columns[0].widthPx, 55);
    EXPECT_EQ(layout.columns[1].leftPx, 65);
    EXPECT_EQ(layout.columns[1].widthPx, 50);  // all that is left
}

TEST(InformationBar, ValueColumnsShareTheRoomByTheirWidths) {
    InfoBarInputs in;
    in.clockWidthPx = 104;
    in.captionWidthsPx = {50, 55, 40, 30};   // caption columns 55 and 40 + 8
    in.valueWidthsPx = {200, 40, 198, 300};  // value columns 202 and 302
    const int32_t fixed = 104 + 10 + 20 + 55 + 48;
    struct Row {
        const char* name;
        int32_t room;  // for the two value columns
        int32_t first, second;
    } const rows[] = {
        {"BothWhole", 504, 202, 302},
        {"NarrowerWholeOtherTheRest", 450, 202, 248},
        // Below twice the narrower: in proportion, the first at least 50.
        {"InProportion", 300, 202 * 300 / 504, 300 - 202 * 300 / 504},
        {"FirstKeepsFifty", 100, 50, 50},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        in.boxWidthPx = fixed + row.room;
        const InfoBarLayout layout = LayOutInfoBar(in);
        ASSERT_TRUE(layout.secondPairShown);
        EXPECT_EQ(layout.columns[1].widthPx, row.first);
        EXPECT_EQ(layout.columns[3].widthPx, row.second);
        // The second captions start 8 pixels after the first values, their values after them.
        EXPECT_EQ(layout.columns[2].leftPx, 10 + 55 + row.first + 8);
        EXPECT_EQ(layout.columns[3].leftPx, 10 + 55 + row.first + 48);
    }
    // One pixel short of the second pair's minimum: the first pair takes everything.
    in.boxWidthPx = fixed + 50 + 50 - 1;
    const InfoBarLayout single = LayOutInfoBar(in);
    EXPECT_TRUE(single.bookShown);
    EXPECT_FALSE(single.secondPairShown);
    EXPECT_EQ(single.columns[1].widthPx, 50 + 50 - 1 + 48);
}

TEST(InformationBar, MarqueeRestsScrollsRestsAndStartsAgain) {
    // A value 40 pixels too long for its column.
    struct Row {
        long double seconds;
        int32_t offset;
        bool restart;
    } const rows[] = {
        {0.0L, 0, false},    {1.9L, 0, false},    {2.0L, 0, false},    {3.0L, -5, false},
        {10.0L, -40, false}, {11.0L, -40, false}, {12.0L, -40, false}, {12.3L, 0, true},
    };
    for (const Row& row : rows) {
        bool restart = false;
        EXPECT_EQ(MarqueeOffset(100, 140, row.seconds, restart), row.offset) << double(row.seconds);
        EXPECT_EQ(restart, row.restart) << double(row.seconds);
    }
    // A value that fits stays where it is.
    bool restart = false;
    EXPECT_EQ(MarqueeOffset(100, 60, 7.0L, restart), 0);

    // In the bar a shorter value of the same column stops once its own end shows.
    InfoBarInputs in;
    in.clockWidthPx = 104;
    in.captionWidthsPx = {50, 50, 40, 40};
    in.valueWidthsPx = {300, 120, 10, 10};
    in.boxWidthPx = 104 + 10 + 20 + 50 + 100;  // the first value column gets 100
    in.marqueeSeconds = {60.0L / 5 + 2, 0};    // far into its run
    const InfoBarLayout layout = LayOutInfoBar(in);
    ASSERT_EQ(layout.columns[1].widthPx, 100);
    EXPECT_EQ(layout.valueXPx[0], layout.columns[1].leftPx + 1 - 60);
    EXPECT_EQ(layout.valueXPx[1], layout.columns[1].leftPx + 1 - 20);
}

TEST(RunStatistics, LineCountsFromTheMarkOn) {
    StepStatistics statistics;
    EXPECT_EQ(StatisticsLine({}, statistics, 5'000'000'000, 1'000'000'000),
              "statistics: seconds 0.00 steps 0 late 0 substeps 0");
    statistics.StepsTotal = 100;
    statistics.LateTotal = 4;
    statistics.SubStepsTotal = 300;
    const StatisticsMark mark = MarkStatistics(statistics, 1'000'000'000);
    statistics.StepsTotal += 700;
    statistics.LateTotal += 1;
    statistics.SubStepsTotal += 2100;
    EXPECT_EQ(StatisticsLine(mark, statistics, 8'000'000'000, 1'000'000'000),
              "statistics: seconds 7.00 steps 700 late 1 substeps 2100");
}

}  // namespace
}  // namespace corvalin
