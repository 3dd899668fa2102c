#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "base/ByteReader.h"

namespace corvalin {
namespace {

constexpr std::array<uint8_t, 8> kBytes = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};

TEST(ByteReader, ReadsBothByteOrders) {
    ByteReader le(kBytes);
    EXPECT_EQ(le.U16LE(), 0x0201);
    EXPECT_EQ(le.U32LE(), 0x06050403u);
    EXPECT_EQ(le.U8(), 0x07);
    EXPECT_TRUE(le.Ok());

    ByteReader be(kBytes);
    EXPECT_EQ(be.U16BE(), 0x0102);
    EXPECT_EQ(be.U32BE(), 0x03040506u);
    EXPECT_EQ(ByteReader(kBytes).U64LE(), 0x0807060504030201ull);
}

TEST(ByteReader, AReadPastTheEndFailsForGoodAndMovesNothing) {
    ByteReader reader(kBytes);
    ASSERT_TRUE(reader.Skip(6));
    EXPECT_EQ(reader.U32LE(), 0u);
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.Position(), 6u);
    // What still fits is read, but the failure stays.
    EXPECT_EQ(reader.U16LE(), 0x0807);
    EXPECT_FALSE(reader.Ok());
}

TEST(ByteReader, TakesAndSubReadersStayInsideTheirBytes) {
    ByteReader reader(kBytes);
    const auto head = reader.Take(3);
    ASSERT_EQ(head.size(), 3u);
    EXPECT_EQ(head[2], 0x03);

    ByteReader inner = reader.Sub(2);
    EXPECT_EQ(reader.Position(), 5u);
    EXPECT_EQ(inner.U16LE(), 0x0504);
    EXPECT_EQ(inner.U8(), 0);
    EXPECT_FALSE(inner.Ok());
    EXPECT_TRUE(reader.Ok());

    // A length as large as the address space must not wrap around the bounds check.
    EXPECT_TRUE(reader.Take(SIZE_MAX).empty());
    EXPECT_FALSE(reader.Sub(SIZE_MAX).Ok());
    EXPECT_FALSE(reader.Ok());
}

TEST(ByteReader, SeeksWithinTheBytesOnly) {
    ByteReader reader(kBytes);
    EXPECT_TRUE(reader.Seek(8));
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_EQ(reader.Peek(), -1);
    EXPECT_TRUE(reader.Ok());
    EXPECT_FALSE(reader.Seek(9));
    EXPECT_FALSE(reader.Ok());
    EXPECT_EQ(reader.Position(), 8u);

    ByteReader empty(nullptr, 5);
    EXPECT_EQ(empty.Size(), 0u);
    EXPECT_EQ(empty.U8(), 0);
    EXPECT_FALSE(empty.Ok());
}

}  // namespace
}  // namespace corvalin
