#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "base/ByteReader.h"

namespace corvalin::ha {

// The arithmetic decoder both compressed HA methods share: 16-bit low, high and code registers,
// bits read most significant first, and the "underflow" step that widens a range straddling
// the middle. Totals passed in stay below 2^15, so every product fits in 32 bits.
//
// The packed bytes are untrusted. The decoder keeps low <= code <= high whatever bits arrive,
// so Threshold() always lands inside [0, total) for a total the model gives it; a total or a
// symbol range that would break that marks the stream damaged instead. Past the end of the
// packed bytes it reads zero bits, but only for a few bytes: a well-formed stream ends its last
// symbol within two bytes of reading ahead, so running further means the data was cut short.
class ArithmeticDecoder {
public:
    explicit ArithmeticDecoder(std::span<const uint8_t> packed) : input_(packed) { code_ = Bits(16); }

    // Where the code falls when the current range is cut into `total` equal steps.
    uint32_t Threshold(uint32_t total) {
        if (total == 0) {
            damaged_ = true;
            return 0;
        }
        return ((code_ - low_ + 1) * total - 1) / (high_ - low_ + 1);
    }

    // Narrows the range to the symbol that covers [symbolLow, symbolHigh) of `total`.
    void Take(uint32_t symbolLow, uint32_t symbolHigh, uint32_t total) {
        if (symbolLow >= symbolHigh || symbolHigh > total) {
            damaged_ = true;
            return;
        }
        const uint32_t range = high_ - low_ + 1;
        // The first and the last symbol of a table are common; they need one division, not two.
        high_ = low_ + (symbolHigh == total ? range : range * symbolHigh / total) - 1;
        if (symbolLow != 0) low_ += range * symbolLow / total;
        // Leading bits that low and high share are settled: shift them all out at once.
        const int settled = std::countl_zero(static_cast<uint16_t>(high_ ^ low_));
        if (settled > 0) {
            low_ = (low_ << settled) & 0xFFFF;
            high_ = ((high_ << settled) | ((1u << settled) - 1)) & 0xFFFF;
            code_ = ((code_ << settled) | Bits(settled)) & 0xFFFF;
        }
        // low = 01..., high = 10...: drop the second bit so the range does not shrink to nothing
        // around the middle, as often as the next bits of low and high keep that pattern. Each
        // step takes a quarter off all three and doubles them; `code` stays between them.
        const int straddling = std::countl_one(static_cast<uint16_t>((low_ & ~high_) << 1));
        if (straddling > 0) {
            low_ = (low_ << straddling) & 0x7FFF;
            high_ = ((high_ << straddling) | 0x8000 | ((1u << straddling) - 1)) & 0xFFFF;
            code_ = (((code_ << straddling) ^ 0x8000) | Bits(straddling)) & 0xFFFF;
        }
    }

    // A symbol total or range no encoder could have written.
    bool Damaged() const { return damaged_; }
    // The decoder has read further past the packed bytes than any complete stream needs.
    // (The buffer runs up to eight bytes ahead of what was consumed.)
    bool Exhausted() const { return zeroBytes_ > kReadAheadBytes + 8; }

private:
    static constexpr uint64_t kReadAheadBytes = 4;

    // The next `count` (1..16) bits of the stream.
    uint32_t Bits(int count) {
        if (available_ < count) Refill();
        const uint32_t value = static_cast<uint32_t>(buffer_ >> (64 - count));
        buffer_ <<= count;
        available_ -= count;
        return value;
    }

    void Refill() {
        // Whole bytes that fit: up to seven, read as one word when eight are left.
        const int bytes = (63 - available_) >> 3;
        if (input_.CanRead(8)) {
            uint64_t word = 0;
            std::memcpy(&word, input_.Rest().data(), 8);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
            buffer_ |= (word >> available_) & (~uint64_t(0) << (64 - available_ - 8 * bytes));
            input_.Skip(size_t(bytes));
            available_ += 8 * bytes;
            return;
        }
        while (available_ <= 56) {
            uint64_t byte = 0;
            if (!input_.AtEnd()) {
                byte = input_.U8();
            } else {
                // Zeros past the end; the count lets Exhausted() tell how far.
                ++zeroBytes_;
            }
            buffer_ |= byte << (56 - available_);
            available_ += 8;
        }
    }

    ByteReader input_;
    uint64_t zeroBytes_ = 0;
    uint64_t buffer_ = 0;  // unread bits, most significant first
    int available_ = 0;
    uint32_t low_ = 0;
    uint32_t high_ = 0xFFFF;
    uint32_t code_ = 0;
    bool damaged_ = false;
};

}  // namespace corvalin::ha
