#include <gtest/gtest.h>

#include <vector>

#include "raster/BoxFilter.h"
#include "raster/DownsampleBitmap.h"

namespace corvalin {
namespace {

TEST(BoxFilter, SumsAndDropsGroupsOfColumns) {
    const std::vector<uint8_t> row = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 200};
    for (int f = 1; f <= 5; ++f) {
        const int n = 12 / f;
        std::vector<uint32_t> acc(n, 1000);
        AddColumns(row.data(), acc.data(), n, f);
        for (int k = 0; k < n; ++k) {
            uint32_t sum = 0;
            for (int j = 0; j < f; ++j) sum += row[k * f + j];
            EXPECT_EQ(acc[k], 1000 + sum) << "f=" << f << " k=" << k;
        }
        SubColumns(row.data(), acc.data(), n, f);
        EXPECT_EQ(acc, std::vector<uint32_t>(n, 1000)) << "f=" << f;
    }
}

TEST(BoxFilter, SumsChannelsSeparately) {
    // Two 3-byte pixels per output column: (blue, green, red) = (10, 20, 30) and (1, 2, 3).
    const std::vector<uint8_t> row = {10, 20, 30, 1, 2, 3, 255, 0, 0, 255, 0, 0};
    std::vector<uint32_t> acc(6, 0);
    AddColumns3(row.data(), acc.data(), 2, 2);
    EXPECT_EQ(acc, (std::vector<uint32_t>{11, 22, 33, 510, 0, 0}));
}

TEST(BoxFilter, DividesByRowsTimesFactorTruncating) {
    const std::vector<uint32_t> acc = {255, 1020, 7, 8};
    std::vector<uint8_t> out(4, 0xEE);
    DivideRow(acc.data(), out.data(), 3, 2, 2);
    EXPECT_EQ(out, (std::vector<uint8_t>{63, 255, 1, 0xEE}));
    std::vector<uint8_t> out3(6, 0);
    const std::vector<uint32_t> acc3 = {9, 10, 11, 0, 3, 765};
    DivideRow3(acc3.data(), out3.data(), 2, 3, 1);
    EXPECT_EQ(out3, (std::vector<uint8_t>{3, 3, 3, 0, 1, 255}));
}

// A 24-bit image with its own memory, stride padded like the glyph scratch.
struct Image {
    std::vector<uint8_t> bytes;
    PixelImage image;
    Image(int width, int height, uint8_t fill = 0) {
        const int stride = (width * 3 + 3) & ~3;
        bytes.assign(size_t(stride) * height, fill);
        image = PixelImage{bytes.data(), width, height, stride};
    }
    uint8_t* Pixel(int x, int y) { return image.Row(y) + 3 * x; }
};

TEST(DownsampleBitmap, AveragesBoxesPerChannel) {
    // 5 x 5 source, f = 2: a 2 x 2 result from the full boxes; the fifth row and column of
    // the source lie outside every full box.
    Image src(5, 5);
    uint8_t* p = src.Pixel(0, 0);
    p[0] = 255;  // blue of one pixel in the top-left box
    for (int y = 0; y < 2; ++y)
        for (int x = 2; x < 4; ++x) src.Pixel(x, y)[2] = 200;  // the top-right box is all red
    src.Pixel(1, 3)[1] = 40;
    src.Pixel(0, 3)[1] = 41;  // the bottom-left box: green 81 over four samples
    src.Pixel(4, 4)[0] = 255;
    Image dst(2, 2, 0xEE);
    DownsampleBitmap(src.image, dst.image, 2);
    const std::vector<uint8_t> topLeft(dst.Pixel(0, 0), dst.Pixel(0, 0) + 3);
    const std::vector<uint8_t> topRight(dst.Pixel(1, 0), dst.Pixel(1, 0) + 3);
    const std::vector<uint8_t> bottomLeft(dst.Pixel(0, 1), dst.Pixel(0, 1) + 3);
    const std::vector<uint8_t> bottomRight(dst.Pixel(1, 1), dst.Pixel(1, 1) + 3);
    EXPECT_EQ(topLeft, (std::vector<uint8_t>{63, 0, 0}));
    EXPECT_EQ(topRight, (std::vector<uint8_t>{0, 0, 200}));
    EXPECT_EQ(bottomLeft, (std::vector<uint8_t>{0, 20, 0}));
    EXPECT_EQ(bottomRight, (std::vector<uint8_t>{0, 0, 0}));
}

TEST(DownsampleBitmap, PartialBandAveragesTheRowsThatExist) {
    // 4 x 3 source reduced by 2 into a 2 x 2 target: the second target row has one source row.
    Image src(4, 3, 0);
    for (int x = 0; x < 4; ++x) src.Pixel(x, 2)[0] = 100;
    Image dst(2, 2, 0xEE);
    DownsampleBitmap(src.image, dst.image, 2);
    EXPECT_EQ(dst.Pixel(0, 0)[0], 0);
    EXPECT_EQ(dst.Pixel(0, 1)[0], 100);  // (100 + 100) / (1 row x 2)
    EXPECT_EQ(dst.Pixel(1, 1)[0], 100);
}

TEST(DownsampleBitmap, FactorOneOrLessLeavesTheTarget) {
    Image src(4, 4, 255);
    for (int f : {1, 0, -2}) {
        Image dst(4, 4, 0xEE);
        DownsampleBitmap(src.image, dst.image, f);
        EXPECT_EQ(dst.bytes, std::vector<uint8_t>(dst.bytes.size(), 0xEE)) << f;
    }
}

TEST(DownsampleBitmap, ReducesCoverageMatrices) {
    VEMMatrix src, dst;
    src.Init(true, kMatrixKindCoverage, 6, 3);
    dst.Init(true, kMatrixKindCoverage, 2, 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) src.Row(y)[x] = uint8_t(10 * (y * 3 + x));  // 0..80, mean 40
    src.Row(1)[4] = 90;
    DownsampleBitmap(src, dst, 3);
    EXPECT_EQ(dst.Row(0)[0], 40);
    EXPECT_EQ(dst.Row(0)[1], 10);
}

}  // namespace
}  // namespace corvalin
