// Typed percentages: how the field's text reads with the system's decimal separator, which
// values may be gone to, where they lead in the text, and how a place is written in percent.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <optional>
#include <string>

#include "base/Utf.h"
#include "nav/PercentPosition.h"

namespace corvalin {
namespace {

TEST(PercentPositionTest, TheFieldReadsNumbersWithTheSystemsSeparatorOnly) {
    struct Row {
        const char* name;
        std::u16string text;
        std::u16string separator;
        long double value;
    };
    const Row rows[] = {
        {"zero", u"0", u".", 0},
        {"hundred", u"100", u".", 100},
        {"point", u"12.5", u".", 12.5L},
        {"comma where the system writes one", u"12,5", u",", 12.5L},
        {"a point where the system writes a comma", u"12.5", u",", kNotAPercent},
        {"a comma where the system writes a point", u"12,5", u".", kNotAPercent},
        {"just above the range", u"100.1", u".", 100.1L},
        {"negative", u"-1", u".", -1},
        {"plus sign", u"+5", u".", 5},
        {"blanks around", u"  37.5 ", u".", 37.5L},
        {"no leading digit", u".5", u".", 0.5L},
        {"no trailing digit", u"5.", u".", 5},
        {"exponent", u"1e2", u".", 100},
        {"a separator outside ASCII", u"12\u066b5", u"\u066b", 12.5L},
        {"empty", u"", u".", kNotAPercent},
        {"blanks only", u"   ", u".", kNotAPercent},
        {"word", u"abc", u".", kNotAPercent},
        {"number then word", u"12abc", u".", kNotAPercent},
        {"separator alone", u".", u".", kNotAPercent},
        {"two separators", u"1.2.3", u".", kNotAPercent},
        {"group separator", u"1,000.5", u".", kNotAPercent},
        {"two signs", u"--1", u".", kNotAPercent},
        {"blank inside", u"1 2", u".", kNotAPercent},
        {"exponent without digits", u"1e", u".", kNotAPercent},
        {"hexadecimal", u"0x10", u".", kNotAPercent},
        {"not a number", u"nan", u".", kNotAPercent},
        {"infinity", u"inf", u".", kNotAPercent},
        {"beyond any float", u"1e99999", u".", kNotAPercent},
        {"other digits", u"\u0661\u0662", u".", kNotAPercent},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParsePercent(row.text, row.separator), row.value);
    }
    // Longer than any typed percentage: not read at all.
    EXPECT_EQ(ParsePercent(std::u16string(100, u'0') + u"1", u"."), kNotAPercent);
}

TEST(PercentPositionTest, OnlyZeroToHundredMayBeGoneTo) {
    EXPECT_TRUE(PercentAccepted(0));
    EXPECT_TRUE(PercentAccepted(-0.0L));
    EXPECT_TRUE(PercentAccepted(37.5L));
    EXPECT_TRUE(PercentAccepted(100));
    EXPECT_FALSE(PercentAccepted(100.1L));
    EXPECT_FALSE(PercentAccepted(100.0000001L));
    EXPECT_FALSE(PercentAccepted(-0.1L));
    EXPECT_FALSE(PercentAccepted(kNotAPercent));
}

TEST(PercentPositionTest, APercentageLeadsIntoTheTextAndAHundredToItsLastOffset) {
    EXPECT_EQ(PositionOfPercent(0, 100, 1100), 100);
    EXPECT_EQ(PositionOfPercent(100, 100, 1100), 1099);
    EXPECT_EQ(PositionOfPercent(50, 100, 1100), 100 + 499);     // floor(499.5)
    EXPECT_EQ(PositionOfPercent(12.5L, 100, 1100), 100 + 124);  // floor(124.875)
    EXPECT_EQ(PositionOfPercent(150, 100, 1100), 1099) << "held at the end";
    EXPECT_EQ(PositionOfPercent(-3, 100, 1100), 100) << "held at the start";
    EXPECT_EQ(PositionOfPercent(50, 100, 100), std::nullopt) << "no text";
    EXPECT_EQ(PositionOfPercent(50, 100, 101), 100);

    // Short texts and the longest a book may hold end on their last offset too.
    for (const int64_t span :
         {int64_t(1), int64_t(2), int64_t(3), int64_t(7), int64_t(999999), int64_t(INT32_MAX) - 200}) {
        SCOPED_TRACE(span);
        EXPECT_EQ(PositionOfPercent(100, 64, 64 + span), 64 + span - 1);
        EXPECT_EQ(PositionOfPercent(0, 64, 64 + span), 64);
    }
}

TEST(PercentPositionTest, TheFieldShowsOneDecimalInTheSystemsNotation) {
    EXPECT_EQ(PercentFieldText(37.5L, u"."), u"37.5");
    EXPECT_EQ(PercentFieldText(37.5L, u","), u"37,5");
    EXPECT_EQ(PercentFieldText(0, u"."), u"0.0");
    EXPECT_EQ(PercentFieldText(100, u"."), u"100.0");
    EXPECT_EQ(PercentFieldText(37.46L, u"."), u"37.5");
    EXPECT_EQ(PercentFieldText(99.96L, u"."), u"100.0");
    EXPECT_EQ(PercentFieldText(-1, u"."), u"-1.0");
}

TEST(PercentPositionTest, APlaceIsWrittenInTenthsOfAPercentInTheShortestForm) {
    struct Row {
        const char* name;
        int64_t position;
        const char* label;
    };
    // A text of 1000 offsets from 100 on: each offset is a tenth of a percent.
    const Row rows[] = {
        {"start", 100, "0%"},
        {"a tenth", 101, "0.1%"},
        {"one decimal", 475, "37.5%"},
        {"no decimal left", 500, "40%"},
        {"last offset", 1099, "99.9%"},
        {"end", 1100, "100%"},
        {"before the text (a damaged bookmark)", 99, "-0.1%"},
        {"far past the text", 2100, "200%"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Utf16ToUtf8(PositionPercentLabel(row.position, 100, 1100, u".")), row.label);
    }
    // Rounded to the nearest tenth: 1/3 of the text is 33.3%, 2/3 is 66.7%.
    EXPECT_EQ(PositionPercentLabel(100 + 1, 100, 103, u"."), u"33.3%");
    EXPECT_EQ(PositionPercentLabel(100 + 2, 100, 103, u","), u"66,7%");
    EXPECT_EQ(PositionPercentLabel(5, 5, 5, u"."), u"0%") << "no text";
}

}  // namespace
}  // namespace corvalin
