#pragma once

#include <cstdint>
#include <vector>

#include "raster/GlyphCanvas.h"

namespace corvalin {

// Pixel kinds of a matrix; the value indexes the element size table in VEMMatrix.cpp. Only the
// two below are used by the rendering; the others keep their sizes so a kind byte read from
// anywhere still maps to a valid element size.
inline constexpr uint8_t kMatrixKindPixel24 = 6;   // blue, green, red
inline constexpr uint8_t kMatrixKindCoverage = 8;  // 0 = background .. 255 = full text colour
inline constexpr int kMatrixKindCount = 9;

int MatrixElementBytes(uint8_t kind);

// Rows x columns of pixels of one kind. Rows are either owned (allocated and freed here, each
// row its own block so that growing keeps the other rows in place) or borrowed from an image's
// scanlines. Sizes shrink without freeing: capacities are kept so that a matrix reused for a
// similar word reallocates nothing.
class VEMMatrix {
public:
    explicit VEMMatrix(bool ownsRows = true) : ownsRows_(ownsRows) {}
    ~VEMMatrix() { Free(); }
    VEMMatrix(const VEMMatrix&) = delete;
    VEMMatrix& operator=(const VEMMatrix&) = delete;
    VEMMatrix(VEMMatrix&& other) noexcept;
    VEMMatrix& operator=(VEMMatrix&& other) noexcept;

    // On an empty matrix: sets the owning flag and the kind and, when both sizes are at least 1,
    // sizes and allocates (owned rows are zeroed); with a size below 1 no rows exist.
    void Init(bool ownsRows, uint8_t kind, int columns, int rows);
    // Borrows the scanlines of a 24-bit image; the image memory must outlive the matrix's use.
    void Attach(const PixelImage& image);
    // Gives a matrix that has no rows yet the requested kind, keeping its sizes.
    void EnsureKind(uint8_t kind);

    // n <= 0 frees everything. Growing past the capacity reallocates owned rows, keeping the
    // columns in use; borrowed rows cannot grow past their capacity and are clamped to it.
    void SetColumns(int n);
    // n <= 0 frees everything. New owned rows get the full column capacity.
    void SetRows(int n);
    void Clear();
    void Free();

    uint8_t Kind() const { return kind_; }
    bool OwnsRows() const { return ownsRows_; }
    int Columns() const { return columns_; }
    int CapacityColumns() const { return capacityColumns_; }
    int Rows() const { return rows_; }
    int CapacityRows() const { return capacityRows_; }
    bool HasRows() const { return !rowPointers_.empty(); }
    int ElementBytes() const { return MatrixElementBytes(kind_); }

    uint8_t* Row(int r) { return rowPointers_[r]; }
    const uint8_t* Row(int r) const { return rowPointers_[r]; }

private:
    void AllocatePointers(int count);
    void FreeRows();

    uint8_t kind_ = 0;
    bool ownsRows_ = true;
    int capacityColumns_ = 0;
    int columns_ = 0;
    int capacityRows_ = 0;
    int rows_ = 0;
    // One pointer per allocated row (capacityRows_ entries), empty when there are none.
    std::vector<uint8_t*> rowPointers_;
};

}  // namespace corvalin
