#pragma once

#include <cstdint>
#include <span>

#include "base/Verdict.h"

namespace corvalin::ha {

// Where a decoder hands its output, a block at a time. Returning false stops the decoding (the
// output failed); the decoder then returns a good verdict and the caller asks its output why.
class OutputSink {
public:
    virtual ~OutputSink() = default;
    virtual bool Put(std::span<const uint8_t> bytes) = 0;
};

// Decodes one member's packed bytes into exactly `originalSize` bytes. The stream must reach its
// end mark right after them: a stream that ends sooner, runs on longer, or holds a code no
// encoder writes is Damaged; one whose bytes run out is Truncated. Either way decoding stops,
// whatever the input, within the output size and a few bytes past the end of the input.
Verdict UnpackAsc(std::span<const uint8_t> packed, uint64_t originalSize, OutputSink& sink);
Verdict UnpackHsc(std::span<const uint8_t> packed, uint64_t originalSize, OutputSink& sink);

}  // namespace corvalin::ha
