#include <gtest/gtest.h>

#include "raster/BlendTable.h"
#include "raster/GreyTable.h"

namespace corvalin {
namespace {

struct GreyCase {
    const char* name;
    int channelSum;
    int grey;
};

void PrintTo(const GreyCase& c, std::ostream* os) { *os << c.name; }

class GreyTableValues : public ::testing::TestWithParam<GreyCase> {};

TEST_P(GreyTableValues, RoundsTheMeanHalfUp) {
    static const GreyTable table;
    EXPECT_EQ(table[GetParam().channelSum], GetParam().grey);
}

INSTANTIATE_TEST_SUITE_P(Render, GreyTableValues,
                         ::testing::Values(GreyCase{"Black", 0, 0}, GreyCase{"OneThirdRoundsDown", 1, 0},
                                           GreyCase{"TwoThirdsRoundUp", 2, 1}, GreyCase{"Exact", 3, 1},
                                           GreyCase{"FourThirds", 4, 1}, GreyCase{"FiveThirds", 5, 2},
                                           GreyCase{"BelowWhite", 763, 254}, GreyCase{"White", 765, 255},
                                           GreyCase{"PaddingClampsTo255", 767, 255}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BlendCase {
    const char* name;
    int difference;
    int coverage;
    int shift;  // the entry divided by 256
};

void PrintTo(const BlendCase& c, std::ostream* os) { *os << c.name; }

class BlendTableValues : public ::testing::TestWithParam<BlendCase> {};

TEST_P(BlendTableValues, HoldsRoundedShareTimes256) {
    static const BlendTable table;
    const BlendCase& c = GetParam();
    const int32_t entry = table[BlendTable::Index(c.difference, c.coverage)];
    EXPECT_EQ(entry % 256, 0);
    EXPECT_EQ(entry / 256, c.shift);
}

INSTANTIATE_TEST_SUITE_P(Render, BlendTableValues,
                         ::testing::Values(BlendCase{"NoCoverage", 255, 0, 0},
                                           BlendCase{"NoDifference", 0, 200, 0},
                                           BlendCase{"FullCoverageUp", 255, 255, 255},
                                           BlendCase{"FullCoverageDown", -255, 255, -255},
                                           BlendCase{"HalfUpRoundsHalfUp", 255, 128, 128},
                                           BlendCase{"HalfDownIsSymmetric", -255, 128, -128},
                                           BlendCase{"SmallShareRoundsToZero", 1, 126, 0},
                                           BlendCase{"SmallShareRoundsUp", 1, 128, 1},
                                           BlendCase{"NegativeSmallShare", -1, 128, -1},
                                           BlendCase{"Middle", 100, 51, 20}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace corvalin
