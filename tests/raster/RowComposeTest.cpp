#include <gtest/gtest.h>

#include <vector>

#include "raster/RowCompose.h"

namespace corvalin {
namespace {

const BlendTable& Blend() {
    static const BlendTable table;
    return table;
}

std::vector<uint8_t> Pixels(int n, uint8_t blue, uint8_t green, uint8_t red) {
    std::vector<uint8_t> row;
    for (int k = 0; k < n; ++k) row.insert(row.end(), {blue, green, red});
    return row;
}

struct BlendCase {
    const char* name;
    uint8_t background;  // all three channels
    uint32_t colour;     // 0x00BBGGRR
    uint8_t coverage;
    std::vector<uint8_t> pixel;  // blue, green, red after blending
};

void PrintTo(const BlendCase& c, std::ostream* os) { *os << c.name; }

class BlendRowCases : public ::testing::TestWithParam<BlendCase> {};

TEST_P(BlendRowCases, BlendsOnePixel) {
    const BlendCase& c = GetParam();
    std::vector<uint8_t> row = Pixels(1, c.background, c.background, c.background);
    const uint8_t coverage[1] = {c.coverage};
    BlendRow(row.data(), coverage, 1, Blend(), c.colour);
    EXPECT_EQ(row, c.pixel);
}

INSTANTIATE_TEST_SUITE_P(
    Render, BlendRowCases,
    ::testing::Values(BlendCase{"HalfWhiteOverBlack", 0, 0x00FFFFFF, 128, {128, 128, 128}},
                      BlendCase{"HalfBlackOverWhite", 255, 0x00000000, 128, {127, 127, 127}},
                      BlendCase{"NoCoverageKeepsBackground", 77, 0x00FFFFFF, 0, {77, 77, 77}},
                      BlendCase{"FullCoverageIsTheColour", 77, 0x00102030, 255, {0x10, 0x20, 0x30}},
                      // Channels in the row are blue, green, red; the colour's low byte is red.
                      BlendCase{"ChannelsFollowTheColourOrder", 0, 0x000000FF, 255, {0, 0, 255}},
                      BlendCase{"ChannelsMoveIndependently", 100, 0x00FF0000, 51, {131, 80, 80}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BlendRow, SkipsEmptyRunsAndStopsAtN) {
    // Coverage with long empty runs, a lone covered pixel past an 8-byte boundary, and a
    // covered byte just beyond n that must not be used.
    constexpr int kN = 21;
    std::vector<uint8_t> coverage(kN + 1, 0);
    coverage[0] = 255;
    coverage[9] = 128;
    coverage[20] = 255;
    coverage[21] = 255;
    std::vector<uint8_t> row = Pixels(kN + 1, 0, 0, 0);
    BlendRow(row.data(), coverage.data(), kN, Blend(), 0x00FFFFFF);
    for (int k = 0; k <= kN; ++k) {
        const uint8_t expected = k == 0 || k == 20 ? 255 : k == 9 ? 128 : 0;
        EXPECT_EQ(row[3 * k], expected) << k;
        EXPECT_EQ(row[3 * k + 2], expected) << k;
    }
}

TEST(FillRow, FillsExactlyNPixels) {
    for (int n : {0, 1, 2, 5, 64, 1921}) {
        std::vector<uint8_t> row(size_t(n + 1) * 3, 0xEE);
        FillRow(row.data(), n, 0x00332211);
        for (int k = 0; k < n; ++k) {
            ASSERT_EQ(row[3 * k], 0x33) << n << " " << k;
            ASSERT_EQ(row[3 * k + 1], 0x22);
            ASSERT_EQ(row[3 * k + 2], 0x11);
        }
        EXPECT_EQ(row[3 * n], 0xEE) << n;
    }
}

TEST(GreyRow, CompactsPixelsToGreyBytesInPlace) {
    std::vector<uint8_t> row = {255, 255, 255, 0, 0, 0, 10, 20, 31, 1, 1, 0, 9, 9, 9};
    GreyRow(row.data(), 4, GreyTable());
    EXPECT_EQ(std::vector<uint8_t>(row.begin(), row.begin() + 4), (std::vector<uint8_t>{255, 0, 20, 1}));
    // The fifth pixel was not part of the row.
    EXPECT_EQ(row[12], 9);
}

}  // namespace
}  // namespace corvalin
