#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace corvalin {

// The packed data of one ARJ member as a stream of bits, most significant bit first.
//
// The buffer is 64 bits wide and filled a word at a time: while eight bytes of input are left,
// one unaligned big-endian load tops it up to at least 56 bits with no branch per byte. The
// last few bytes are copied into a small zeroed tail, so the same load serves them and the
// decoder sees zeros past the end, as the format's own readers do. Whether the decoder really
// used bits past the end is told afterwards from the count of bits taken (`Overran`), and a
// stream that keeps asking far past its end stops at once (`Exhausted`), so a damaged member
// can never spin out gigabytes of zeros.
class ArjBitReader {
public:
    explicit ArjBitReader(std::span<const uint8_t> packed)
        : begin_(packed.data()),
          next_(packed.data()),
          end_(packed.data() + packed.size()),
          packedBytes_(packed.size()) {
        if (packed.empty()) begin_ = next_ = end_ = nullptr;
        Refill();
    }
    ArjBitReader(const ArjBitReader&) = delete;
    ArjBitReader& operator=(const ArjBitReader&) = delete;

    // At least 56 bits are buffered afterwards.
    void Refill() {
        if (static_cast<size_t>(end_ - next_) >= 8) [[likely]] {
            uint64_t word;
            std::memcpy(&word, next_, 8);
            if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
            bits_ |= word >> count_;
            next_ += (63 - count_) >> 3;
            count_ |= 56;
        } else {
            RefillTail();
        }
    }

    // The next `n` bits (1..32) without taking them.
    uint32_t Peek(unsigned n) const { return static_cast<uint32_t>(bits_ >> (64 - n)); }
    // The whole buffer, left-aligned; bits past `Buffered()` are zero or the next input.
    uint64_t Window() const { return bits_; }
    unsigned Buffered() const { return count_; }
    // Takes `n` bits (0..count); the caller refilled first.
    void Drop(unsigned n) {
        bits_ <<= n;
        count_ -= n;
    }
    // Takes `n` bits (0..24) and returns them; the caller refilled first.
    uint32_t Take(unsigned n) {
        // Shifting a 64-bit value by 64 is undefined, so a width of zero goes round it.
        const uint32_t value = static_cast<uint32_t>((bits_ >> 1) >> (63 - n));
        Drop(n);
        return value;
    }
    // Refills as needed; for the block headers, where speed does not matter.
    uint32_t Get(unsigned n) {
        if (count_ < n) Refill();
        return Take(n);
    }

    // The decoder has asked for far more than the data holds.
    bool Exhausted() const { return exhausted_; }
    // Bits taken so far reach past the packed data.
    bool Overran() const { return TakenBits() > uint64_t(packedBytes_) * 8; }

private:
    static constexpr size_t kTailBytes = 32;

    uint64_t TakenBits() const {
        const uint64_t fed = inTail_ ? tailStart_ + uint64_t(next_ - tail_) : uint64_t(next_ - begin_);
        return fed * 8 - count_;
    }

    void RefillTail() {
        if (!inTail_) {
            // Fewer than eight bytes left: continue from a copy followed by zeros.
            const size_t left = static_cast<size_t>(end_ - next_);
            tailStart_ = static_cast<size_t>(next_ - begin_);
            std::memset(tail_, 0, sizeof tail_);
            if (left) std::memcpy(tail_, next_, left);
            next_ = tail_;
            end_ = tail_ + kTailBytes;
            inTail_ = true;
            Refill();
            return;
        }
        // More than 24 bytes of zeros past the end: no valid member reads that far ahead.
        exhausted_ = true;
        count_ = 56 | count_;
    }

    const uint8_t* begin_;
    const uint8_t* next_;
    const uint8_t* end_;
    size_t packedBytes_;
    uint64_t bits_ = 0;
    unsigned count_ = 0;
    bool inTail_ = false;
    bool exhausted_ = false;
    size_t tailStart_ = 0;
    uint8_t tail_[kTailBytes];
};

}  // namespace corvalin
