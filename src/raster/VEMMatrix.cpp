#include "raster/VEMMatrix.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace corvalin {

namespace {

// Bytes per element by kind. Kinds 0..5 and 7 are containers of other data the program
// never renders; their sizes stay so that every kind byte has a meaning.
constexpr int kElementBytes[kMatrixKindCount] = {10, 4, 32, 4, 4, 4, 3, 2, 1};

uint8_t* NewRow(int columns, int elementBytes) {
    return new uint8_t[size_t(columns) * size_t(elementBytes)]();
}

}  // namespace

int MatrixElementBytes(uint8_t kind) { return kind < kMatrixKindCount ? kElementBytes[kind] : 1; }

VEMMatrix::VEMMatrix(VEMMatrix&& other) noexcept
    : kind_(other.kind_),
      ownsRows_(other.ownsRows_),
      capacityColumns_(other.capacityColumns_),
      columns_(other.columns_),
      capacityRows_(other.capacityRows_),
      rows_(other.rows_),
      rowPointers_(std::move(other.rowPointers_)) {
    other.rowPointers_.clear();
    other.capacityColumns_ = other.columns_ = other.capacityRows_ = other.rows_ = 0;
}

VEMMatrix& VEMMatrix::operator=(VEMMatrix&& other) noexcept {
    if (this != &other) {
        Free();
        kind_ = other.kind_;
        ownsRows_ = other.ownsRows_;
        capacityColumns_ = other.capacityColumns_;
        columns_ = other.columns_;
        capacityRows_ = other.capacityRows_;
        rows_ = other.rows_;
        rowPointers_ = std::move(other.rowPointers_);
        other.rowPointers_.clear();
        other.capacityColumns_ = other.columns_ = other.capacityRows_ = other.rows_ = 0;
    }
    return *this;
}

void VEMMatrix::AllocatePointers(int count) {
    rowPointers_.assign(size_t(count), nullptr);
    if (ownsRows_)
        for (auto& row : rowPointers_) row = NewRow(capacityColumns_, ElementBytes());
}

void VEMMatrix::Init(bool ownsRows, uint8_t kind, int columns, int rows) {
    Free();
    ownsRows_ = ownsRows;
    kind_ = kind < kMatrixKindCount ? kind : kMatrixKindCoverage;
    if (columns >= 1 && rows >= 1) {
        capacityColumns_ = columns_ = columns;
        capacityRows_ = rows_ = rows;
        AllocatePointers(rows);
    }
}

void VEMMatrix::Attach(const PixelImage& image) {
    Init(false, kMatrixKindPixel24, image.width, image.height);
    for (int r = 0; r < rows_; ++r) rowPointers_[r] = image.Row(r);
}

void VEMMatrix::EnsureKind(uint8_t kind) {
    if (!HasRows()) Init(ownsRows_, kind, columns_, rows_);
}

void VEMMatrix::SetColumns(int n) {
    if (n <= 0) {
        Free();
        return;
    }
    if (rows_ <= 0) {
        columns_ = capacityColumns_ = n;
        return;
    }
    if (!HasRows()) {
        capacityColumns_ = columns_ = n;
        AllocatePointers(capacityRows_);
        return;
    }
    if (n <= capacityColumns_) {
        columns_ = n;
        return;
    }
    if (!ownsRows_) {
        columns_ = capacityColumns_;
        return;
    }
    const int elementBytes = ElementBytes();
    for (int r = 0; r < capacityRows_; ++r) {
        uint8_t* grown = NewRow(n, elementBytes);
        if (r < rows_) std::memcpy(grown, rowPointers_[r], size_t(columns_) * size_t(elementBytes));
        delete[] rowPointers_[r];
        rowPointers_[r] = grown;
    }
    capacityColumns_ = columns_ = n;
}

void VEMMatrix::SetRows(int n) {
    if (n <= 0) {
        Free();
        return;
    }
    if (columns_ <= 0) {
        rows_ = capacityRows_ = n;
        return;
    }
    if (!HasRows()) {
        capacityRows_ = rows_ = n;
        AllocatePointers(n);
        return;
    }
    if (n > capacityRows_) {
        rowPointers_.resize(size_t(n), nullptr);
        if (ownsRows_)
            for (int r = capacityRows_; r < n; ++r)
                rowPointers_[r] = NewRow(capacityColumns_, ElementBytes());
        capacityRows_ = n;
    }
    rows_ = n;
}

void VEMMatrix::Clear() {
    const size_t bytes = size_t(columns_) * size_t(ElementBytes());
    for (int r = 0; r < rows_ && r < int(rowPointers_.size()); ++r)
        if (rowPointers_[r]) std::memset(rowPointers_[r], 0, bytes);
}

void VEMMatrix::FreeRows() {
    if (ownsRows_)
        for (uint8_t* row : rowPointers_) delete[] row;
    rowPointers_.clear();
}

void VEMMatrix::Free() {
    FreeRows();
    capacityColumns_ = columns_ = capacityRows_ = rows_ = 0;
}

}  // namespace corvalin
