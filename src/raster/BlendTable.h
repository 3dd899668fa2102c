#pragma once

#include <cstdint>
#include <vector>

namespace corvalin {

// Blending of one channel towards a colour: for the difference d = colour - current (-255..255)
// and a coverage a (0..255) the entry is sign(d) * round(|d| * a / 255), stored multiplied by
// 256. Composing a row then costs one lookup and one shift per channel instead of a
// multiplication and a division. About half a megabyte; build it once and share it.
class BlendTable {
public:
    static constexpr int kDifferences = 511;
    static constexpr int kCoverages = 256;

    BlendTable();
    static int Index(int difference, int coverage) { return ((difference + 255) << 8) | coverage; }
    int32_t operator[](int index) const { return entries_[index]; }
    const int32_t* Data() const { return entries_.data(); }

private:
    std::vector<int32_t> entries_;
};

}  // namespace corvalin
