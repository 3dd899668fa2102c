#include "raster/BoxFilter.h"

namespace corvalin {

namespace {

template <int F>
void AddColumnsOf(const uint8_t* src, uint32_t* acc, int n) {
    for (int k = 0; k < n; ++k) {
        uint32_t sum = 0;
        for (int j = 0; j < F; ++j) sum += src[k * F + j];
        acc[k] += sum;
    }
}

template <int F>
void SubColumnsOf(const uint8_t* src, uint32_t* acc, int n) {
    for (int k = 0; k < n; ++k) {
        uint32_t sum = 0;
        for (int j = 0; j < F; ++j) sum += src[k * F + j];
        acc[k] -= sum;
    }
}

uint32_t SumOf(const uint8_t* src, int f) {
    uint32_t sum = 0;
    for (int j = 0; j < f; ++j) sum += src[j];
    return sum;
}

}  // namespace

// The supported factors 1..4 get unrolled loops; other factors (only reachable from
// DownsampleBitmap callers) take the general one.
void AddColumns(const uint8_t* src, uint32_t* acc, int n, int f) {
    switch (f) {
        case 1:
            return AddColumnsOf<1>(src, acc, n);
        case 2:
            return AddColumnsOf<2>(src, acc, n);
        case 3:
            return AddColumnsOf<3>(src, acc, n);
        case 4:
            return AddColumnsOf<4>(src, acc, n);
        default:
            for (int k = 0; k < n; ++k) acc[k] += SumOf(src + k * f, f);
    }
}

void SubColumns(const uint8_t* src, uint32_t* acc, int n, int f) {
    switch (f) {
        case 1:
            return SubColumnsOf<1>(src, acc, n);
        case 2:
            return SubColumnsOf<2>(src, acc, n);
        case 3:
            return SubColumnsOf<3>(src, acc, n);
        case 4:
            return SubColumnsOf<4>(src, acc, n);
        default:
            for (int k = 0; k < n; ++k) acc[k] -= SumOf(src + k * f, f);
    }
}

void AddColumns3(const uint8_t* src, uint32_t* acc, int n, int f) {
    for (int k = 0; k < n; ++k) {
        const uint8_t* p = src + 3 * k * f;
        uint32_t blue = 0, green = 0, red = 0;
        for (int j = 0; j < f; ++j) {
            blue += p[3 * j];
            green += p[3 * j + 1];
            red += p[3 * j + 2];
        }
        acc[3 * k] += blue;
        acc[3 * k + 1] += green;
        acc[3 * k + 2] += red;
    }
}

void DivideRow(const uint32_t* acc, uint8_t* dst, int n, int rows, int f) {
    const uint32_t divisor = uint32_t(rows) * uint32_t(f);
    if (divisor == 0) return;
    for (int k = 0; k < n; ++k) dst[k] = uint8_t(acc[k] / divisor);
}

void DivideRow3(const uint32_t* acc, uint8_t* dst, int n, int rows, int f) {
    DivideRow(acc, dst, 3 * n, rows, f);
}

}  // namespace corvalin
