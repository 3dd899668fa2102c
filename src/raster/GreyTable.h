#pragma once

#include <array>
#include <cstdint>

namespace corvalin {

// Grey level of a pixel from the sum of its three channels, rounded half up, so the glyph
// conversion needs no division by three per pixel.
class GreyTable {
public:
    static constexpr int kSize = 3 * 255 + 3;  // every channel sum 0..765, padded to 768

    GreyTable();
    uint8_t operator[](int channelSum) const { return entries_[channelSum]; }
    const uint8_t* Data() const { return entries_.data(); }

private:
    std::array<uint8_t, kSize> entries_;
};

}  // namespace corvalin
