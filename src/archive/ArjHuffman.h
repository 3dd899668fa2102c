#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "archive/ArjBitReader.h"

namespace corvalin {

// ARJ codes are canonical Huffman codes of at most 16 bits, sent most significant bit first.
constexpr unsigned kArjMaxCodeBits = 16;

// One slot of a decoding table. A slot of the first level is indexed by the next `rootBits`
// bits of the stream; a code longer than that leads to a second-level table indexed by the
// bits that follow.
struct HuffmanEntry {
    // The symbol, or where the second-level table starts.
    uint16_t value = 0;
    // Bits the whole code takes; 0 when the alphabet has a single symbol, which costs no bits.
    uint8_t length = 0;
    // 0 for a symbol; else the width of the second-level table this slot leads to.
    uint8_t subBits = 0;
};

// Fills `table` (room for `capacity` slots) from one code length per symbol (0 = unused).
// False when a length passes 16, when the lengths over- or under-fill the code space (every
// code an ARJ packer writes is complete; anything else is damage), or when the table would not
// fit. On false the table holds nothing usable, but nothing outside it was touched.
bool BuildHuffmanTable(const uint8_t* lengths, size_t symbolCount, unsigned rootBits, HuffmanEntry* table,
                       size_t capacity);

// A decoding table for an alphabet of `kSymbols` symbols, looked up `kRootBits` bits at a time.
// Its size is fixed: each long code adds at most one second-level table of 2^(16 - root) slots.
template <unsigned kRootBits, unsigned kSymbols>
class HuffmanTable {
public:
    bool Build(const uint8_t* lengths) {
        return BuildHuffmanTable(lengths, kSymbols, kRootBits, entries_.data(), entries_.size());
    }
    // The alphabet has one symbol, sent with no bits.
    void BuildSingle(uint16_t symbol) {
        for (size_t i = 0; i < (size_t(1) << kRootBits); ++i) entries_[i] = {symbol, 0, 0};
    }
    // Decodes one symbol; at least 16 bits must be buffered.
    uint32_t Decode(ArjBitReader& in) const {
        const uint64_t window = in.Window();
        HuffmanEntry entry = entries_[window >> (64 - kRootBits)];
        if (entry.subBits) [[unlikely]]
            entry = entries_[entry.value + ((window << kRootBits) >> (64 - entry.subBits))];
        in.Drop(entry.length);
        return entry.value;
    }

private:
    static constexpr size_t kCapacity =
        (size_t(1) << kRootBits) + size_t(kSymbols) * (size_t(1) << (kArjMaxCodeBits - kRootBits));
    std::array<HuffmanEntry, kCapacity> entries_{};
};

}  // namespace corvalin
