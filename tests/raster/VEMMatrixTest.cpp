#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "raster/VEMMatrix.h"

namespace corvalin {
namespace {

TEST(VEMMatrix, InitSizesOwnedZeroedRowsByKind) {
    struct Case {
        const char* name;
        uint8_t kind;
        int elementBytes;
    };
    for (const Case& c : {Case{"Coverage", kMatrixKindCoverage, 1}, Case{"Pixel24", kMatrixKindPixel24, 3},
                          Case{"Wide", 2, 32}}) {
        VEMMatrix m;
        m.Init(true, c.kind, 5, 3);
        EXPECT_EQ(m.ElementBytes(), c.elementBytes) << c.name;
        ASSERT_TRUE(m.HasRows()) << c.name;
        EXPECT_EQ(m.Rows(), 3);
        EXPECT_EQ(m.Columns(), 5);
        for (int r = 0; r < 3; ++r)
            for (int i = 0; i < 5 * c.elementBytes; ++i) ASSERT_EQ(m.Row(r)[i], 0) << c.name;
    }
    VEMMatrix empty;
    empty.Init(true, kMatrixKindCoverage, 0, 7);
    EXPECT_FALSE(empty.HasRows());
    EXPECT_EQ(empty.Rows(), 0);
}

TEST(VEMMatrix, ShrinkingAndGrowingBackReallocatesNothing) {
    VEMMatrix m;
    m.Init(true, kMatrixKindCoverage, 40, 10);
    std::vector<uint8_t*> rows;
    for (int r = 0; r < 10; ++r) rows.push_back(m.Row(r));
    m.SetColumns(12);
    m.SetRows(4);
    EXPECT_EQ(m.Columns(), 12);
    EXPECT_EQ(m.CapacityColumns(), 40);
    EXPECT_EQ(m.Rows(), 4);
    m.SetColumns(40);
    m.SetRows(10);
    for (int r = 0; r < 10; ++r) EXPECT_EQ(m.Row(r), rows[r]) << r;
}

TEST(VEMMatrix, GrowingPastCapacityKeepsTheColumnsInUse) {
    VEMMatrix m;
    m.Init(true, kMatrixKindPixel24, 2, 2);
    m.Row(0)[5] = 7;
    m.Row(1)[0] = 9;
    m.SetColumns(50);
    EXPECT_EQ(m.CapacityColumns(), 50);
    EXPECT_EQ(m.Row(0)[5], 7);
    EXPECT_EQ(m.Row(1)[0], 9);
    m.Row(1)[149] = 1;  // the whole grown row is writable
    m.SetRows(6);
    EXPECT_EQ(m.CapacityRows(), 6);
    EXPECT_EQ(m.Row(1)[0], 9);
    m.Row(5)[149] = 2;  // new rows get the full column capacity
    m.Clear();
    EXPECT_EQ(m.Row(1)[0], 0);
    EXPECT_EQ(m.Row(5)[149], 0);
}

TEST(VEMMatrix, SizesSetWithoutRowsAllocateOnceBothExist) {
    VEMMatrix m;
    m.EnsureKind(kMatrixKindCoverage);
    m.SetColumns(8);  // no rows yet: only the width is recorded
    EXPECT_FALSE(m.HasRows());
    EXPECT_EQ(m.Columns(), 8);
    m.SetRows(3);
    ASSERT_TRUE(m.HasRows());
    EXPECT_EQ(m.Kind(), kMatrixKindCoverage);
    m.Row(2)[7] = 1;
    m.SetRows(0);
    EXPECT_FALSE(m.HasRows());
    EXPECT_EQ(m.Columns(), 0);
}

TEST(VEMMatrix, AttachBorrowsScanlines) {
    std::vector<uint8_t> pixels(3 * 16, 0);  // 4 x 3 pixels, stride 16
    PixelImage image{pixels.data(), 4, 3, 16};
    {
        VEMMatrix m;
        m.Attach(image);
        EXPECT_FALSE(m.OwnsRows());
        EXPECT_EQ(m.Kind(), kMatrixKindPixel24);
        EXPECT_EQ(m.Row(2), pixels.data() + 32);
        m.SetColumns(99);  // borrowed rows cannot grow
        EXPECT_EQ(m.Columns(), 4);
        m.Row(1)[0] = 5;
    }
    EXPECT_EQ(pixels[16], 5);  // the rows outlive the matrix
}

TEST(VEMMatrix, MovesTakeTheRows) {
    VEMMatrix a;
    a.Init(true, kMatrixKindCoverage, 3, 2);
    uint8_t* row = a.Row(1);
    VEMMatrix b(std::move(a));
    EXPECT_EQ(b.Row(1), row);
    EXPECT_FALSE(a.HasRows());
    VEMMatrix c;
    c.Init(true, kMatrixKindCoverage, 9, 9);
    c = std::move(b);
    EXPECT_EQ(c.Row(1), row);
    EXPECT_EQ(c.Columns(), 3);
}

}  // namespace
}  // namespace corvalin
