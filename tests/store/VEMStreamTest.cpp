#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "store/VEMFile.h"

namespace corvalin {
namespace {

std::vector<uint8_t> Counting(size_t count, uint8_t first) {
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

// Small chunks so that every append and read crosses chunk edges.
constexpr int64_t kChunk = 8;

TEST(VEMStream, AppendsAcrossChunksAndReadsBackAnywhere) {
    VEMStream stream(kChunk);
    std::vector<uint8_t> model;
    for (size_t pieceLength :
         {size_t{3}, size_t{5}, size_t{1}, size_t{17}, size_t{0}, size_t{8}, size_t{2}}) {
        std::vector<uint8_t> piece = Counting(pieceLength, static_cast<uint8_t>(model.size()));
        stream.Append(piece.data(), static_cast<int64_t>(piece.size()));
        model.insert(model.end(), piece.begin(), piece.end());
        ASSERT_EQ(stream.Size(), static_cast<int64_t>(model.size()));
    }

    const int64_t size = stream.Size();
    // forward, then backward, so the read cursor has to move both ways
    std::vector<int64_t> positions;
    for (int64_t p = 0; p < size; ++p) positions.push_back(p);
    for (int64_t p = size - 1; p >= 0; p -= 3) positions.push_back(p);
    for (int64_t position : positions) {
        for (int64_t length : {int64_t{1}, int64_t{7}, int64_t{20}, size}) {
            std::vector<uint8_t> out(static_cast<size_t>(length), 0xEE);
            int64_t expected = std::min(length, size - position);
            ASSERT_EQ(stream.ReadAt(out.data(), position, length), expected) << position << "+" << length;
            ASSERT_TRUE(std::equal(out.begin(), out.begin() + expected, model.begin() + position))
                << position << "+" << length;
        }
    }
}

TEST(VEMStream, ReadsOutsideTheDataCopyNothing) {
    VEMStream stream(kChunk);
    uint8_t out[4] = {};
    EXPECT_EQ(stream.ReadAt(out, 0, 4), 0);
    std::vector<uint8_t> bytes = Counting(kChunk, 0);  // exactly one full chunk
    stream.Append(bytes.data(), kChunk);
    struct Case {
        const char* name;
        int64_t position;
        int64_t length;
    };
    const Case kCases[] = {
        {"at the end of a full last chunk", kChunk, 4},
        {"past the end", kChunk + 5, 4},
        {"before the start", -1, 4},
        {"nothing asked", 0, 0},
    };
    for (const Case& c : kCases) EXPECT_EQ(stream.ReadAt(out, c.position, c.length), 0) << c.name;
}

TEST(VEMStream, ClearEmptiesAndTheStreamCanGrowAgain) {
    VEMStream stream;  // the encoding dialog's 16384-byte chunks
    std::vector<uint8_t> bytes = Counting(20000, 3);
    stream.Append(bytes.data(), static_cast<int64_t>(bytes.size()));
    uint8_t out[10];
    ASSERT_EQ(stream.ReadAt(out, 16380, 10), 10);
    EXPECT_TRUE(std::equal(out, out + 10, bytes.begin() + 16380));

    stream.Clear();
    EXPECT_EQ(stream.Size(), 0);
    EXPECT_EQ(stream.ReadAt(out, 0, 10), 0);
    stream.Append(bytes.data(), 5);
    EXPECT_EQ(stream.Size(), 5);
    EXPECT_EQ(stream.ReadAt(out, 0, 10), 5);
    EXPECT_TRUE(std::equal(out, out + 5, bytes.begin()));
}

}  // namespace
}  // namespace corvalin
