#include "archive/ArjHuffman.h"

#include <array>

namespace corvalin {
namespace {

// The widest alphabet ARJ codes: 256 literals and 254 match lengths.
constexpr size_t kMaxSymbols = 510;
constexpr unsigned kMaxRootBits = 12;

}  // namespace

bool BuildHuffmanTable(const uint8_t* lengths, size_t symbolCount, unsigned rootBits, HuffmanEntry* table,
                       size_t capacity) {
    if (symbolCount > kMaxSymbols || rootBits == 0 || rootBits > kMaxRootBits) return false;
    const size_t rootSize = size_t(1) << rootBits;
    if (capacity < rootSize) return false;

    std::array<uint16_t, kArjMaxCodeBits + 1> count{};
    for (size_t s = 0; s < symbolCount; ++s) {
        if (lengths[s] > kArjMaxCodeBits) return false;
        ++count[lengths[s]];
    }
    // The lengths must fill the code space exactly: every bit pattern decodes to one symbol,
    // so the decoder needs no "invalid code" slot.
    int64_t left = 1;
    for (unsigned len = 1; len <= kArjMaxCodeBits; ++len) {
        left = left * 2 - count[len];
        if (left < 0) return false;
    }
    if (left != 0) return false;

    // Symbols in code order: by length, then by symbol.
    std::array<uint16_t, kArjMaxCodeBits + 2> start{};
    for (unsigned len = 1; len <= kArjMaxCodeBits; ++len) start[len + 1] = uint16_t(start[len] + count[len]);
    std::array<uint16_t, kMaxSymbols> sorted{};
    for (size_t s = 0; s < symbolCount; ++s)
        if (lengths[s]) sorted[start[lengths[s]]++] = uint16_t(s);

    // The longest code under each first-level prefix decides the width of its second-level table.
    std::array<uint8_t, size_t(1) << kMaxRootBits> longest{};
    {
        uint32_t code = 0;
        size_t i = 0;
        for (unsigned len = 1; len <= kArjMaxCodeBits; ++len) {
            for (unsigned k = 0; k < count[len]; ++k, ++code, ++i)
                if (len > rootBits) longest[code >> (len - rootBits)] = uint8_t(len);
            code <<= 1;
        }
    }

    uint32_t code = 0;
    size_t i = 0;
    size_t nextFree = rootSize;
    int64_t currentPrefix = -1;
    size_t subStart = 0;
    unsigned subBits = 0;
    for (unsigned len = 1; len <= kArjMaxCodeBits; ++len) {
        for (unsigned k = 0; k < count[len]; ++k, ++code, ++i) {
            const uint16_t symbol = sorted[i];
            if (len <= rootBits) {
                const size_t first = size_t(code) << (rootBits - len);
                const size_t span = size_t(1) << (rootBits - len);
                for (size_t j = 0; j < span; ++j) table[first + j] = {symbol, uint8_t(len), 0};
                continue;
            }
            const uint32_t prefix = code >> (len - rootBits);
            if (int64_t(prefix) != currentPrefix) {
                // Codes sharing a prefix are consecutive in code order, so each prefix opens
                // exactly one second-level table.
                currentPrefix = prefix;
                subBits = longest[prefix] - rootBits;
                subStart = nextFree;
                if ((size_t(1) << subBits) > capacity - nextFree || nextFree > UINT16_MAX) return false;
                nextFree += size_t(1) << subBits;
                table[prefix] = {uint16_t(subStart), 0, uint8_t(subBits)};
            }
            const unsigned extra = len - rootBits;
            const uint32_t low = code & ((uint32_t(1) << extra) - 1);
            const size_t first = subStart + (size_t(low) << (subBits - extra));
            const size_t span = size_t(1) << (subBits - extra);
            for (size_t j = 0; j < span; ++j) table[first + j] = {symbol, uint8_t(len), 0};
        }
        code <<= 1;
    }
    return true;
}

}  // namespace corvalin
