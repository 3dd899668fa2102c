#pragma once

#include <cstdint>

#include "raster/BlendTable.h"
#include "raster/GreyTable.h"

namespace corvalin {

// Row helpers of page composition. Rows are 24-bit pixels (blue, green, red); colours are
// 0x00BBGGRR. These run for every covered pixel of every frame, so they avoid per-pixel
// multiplication and take fast paths for empty and fully covered pixels.

// Writes the colour into n consecutive pixels.
void FillRow(uint8_t* row, int n, uint32_t colour);

// Blends `colour` into n pixels of `dst` by the coverage bytes: 0 leaves a pixel, 255 sets it
// to the colour, anything else moves each channel c by table[(colour_c - c + 255) * 256 + a] / 256.
void BlendRow(uint8_t* dst, const uint8_t* coverage, int n, const BlendTable& table, uint32_t colour);

// Turns n white-on-black pixels into coverage bytes in place: byte k of the row becomes the
// grey level of pixel k. The row's first n bytes are then a 1-byte row.
void GreyRow(uint8_t* row, int n, const GreyTable& table);

}  // namespace corvalin
