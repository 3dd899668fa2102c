#include "raster/DownsampleBitmap.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "raster/BoxFilter.h"

namespace corvalin {

namespace {

using RowOf = std::function<const uint8_t*(int)>;
using DstRowOf = std::function<uint8_t*(int)>;

void Downsample(const RowOf& srcRow, int srcWidth, int srcHeight, const DstRowOf& dstRow, int dstWidth,
                int dstHeight, int f, int bytesPerPixel) {
    if (f <= 1) return;
    const int columns = std::min(dstWidth, srcWidth / f);
    if (columns <= 0) return;
    std::vector<uint32_t> acc(size_t(columns) * size_t(bytesPerPixel));
    for (int r = 0; r < dstHeight; ++r) {
        std::fill(acc.begin(), acc.end(), 0u);
        int rowsSummed = 0;
        for (int s = r * f; s < r * f + f && s < srcHeight; ++s, ++rowsSummed) {
            if (bytesPerPixel == 3)
                AddColumns3(srcRow(s), acc.data(), columns, f);
            else
                AddColumns(srcRow(s), acc.data(), columns, f);
        }
        if (rowsSummed == 0) break;
        if (bytesPerPixel == 3)
            DivideRow3(acc.data(), dstRow(r), columns, rowsSummed, f);
        else
            DivideRow(acc.data(), dstRow(r), columns, rowsSummed, f);
    }
}

}  // namespace

void DownsampleBitmap(const PixelImage& src, PixelImage& dst, int f) {
    Downsample([&](int y) -> const uint8_t* { return src.Row(y); }, src.width, src.height,
               [&](int y) { return dst.Row(y); }, dst.width, dst.height, f, 3);
}

void DownsampleBitmap(const VEMMatrix& src, VEMMatrix& dst, int f) {
    const uint8_t kind = src.Kind();
    if (kind != dst.Kind() || (kind != kMatrixKindPixel24 && kind != kMatrixKindCoverage)) return;
    if (!src.HasRows() || !dst.HasRows()) return;
    Downsample([&](int y) { return src.Row(y); }, src.Columns(), src.Rows(),
               [&](int y) { return dst.Row(y); }, dst.Columns(), dst.Rows(), f, src.ElementBytes());
}

}  // namespace corvalin
