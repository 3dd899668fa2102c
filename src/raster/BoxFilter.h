#pragma once

#include <cstdint>

namespace corvalin {

// Column sums of the box filter that reduces supersampled rows to screen resolution. `acc`
// holds one running sum per output column (three per column for 24-bit rows); callers clear
// it per output row and divide once the window of source rows is summed.

// acc[k] += src[k*f] + ... + src[k*f + f - 1] for k < n, over 1-byte pixels.
void AddColumns(const uint8_t* src, uint32_t* acc, int n, int f);
// acc[k] -= the same sum: drops a row that leaves a sliding window.
void SubColumns(const uint8_t* src, uint32_t* acc, int n, int f);
// The 24-bit form: per channel into acc[3k], acc[3k + 1], acc[3k + 2].
void AddColumns3(const uint8_t* src, uint32_t* acc, int n, int f);

// dst[k] = acc[k] / (rows * f) for k < n (3n values for DivideRow3), truncating.
void DivideRow(const uint32_t* acc, uint8_t* dst, int n, int rows, int f);
void DivideRow3(const uint32_t* acc, uint8_t* dst, int n, int rows, int f);

}  // namespace corvalin
