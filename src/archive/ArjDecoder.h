#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "base/Verdict.h"

namespace corvalin {

// Receives a decoded member in pieces of up to about a megabyte, in order. False stops the
// decoding (the output failed; the caller knows why).
using ArjSink = std::function<bool(std::span<const uint8_t>)>;

// Decodes the packed data of one ARJ member of method 1, 2 or 3 (LZ77 with static Huffman
// codes, one decoder for all three) or 4 (LZ77 with fixed-width prefix codes), handing exactly
// `originalSize` bytes to `sink`. Data that ends early, a code outside its alphabet, a match
// reaching before the start of the member or past its declared size all give a verdict, and
// nothing is read outside `packed`. A stopped sink gives a Damaged verdict with field "output".
// The CRC is the caller's: it sees every byte in the sink.
Verdict DecodeArjMember(unsigned method, std::span<const uint8_t> packed, uint64_t originalSize,
                        const ArjSink& sink);

}  // namespace corvalin
