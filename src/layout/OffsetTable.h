#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace corvalin {

// The start offsets of a book's units, ascending, the last entry being the text end: n entries
// describe n - 1 units, unit i covering [entry i, entry i + 1). The entries come from the book
// file, so Assign() forces them into the text range and into ascending order; every read the
// formatter makes stays inside [text start, text end) whatever the file says.
class OffsetTable {
public:
    void Assign(const std::vector<int32_t>& entries, int32_t textStart, int32_t textEnd);
    void Clear() { entries_.clear(); }

    int32_t Count() const { return int32_t(entries_.size()); }
    int32_t Entry(int32_t i) const { return entries_[size_t(i)]; }
    const std::vector<int32_t>& Entries() const { return entries_; }

private:
    std::vector<int32_t> entries_;
};

// Paragraph starts (units of the justified modes) and source line starts (units of "Original").
class VEMParagInfo : public OffsetTable {};
class VEMLineInfo : public OffsetTable {};

// The unit holding `offset`: the last entry not above it; 0 before the first entry, the final
// unit at or after the text end, -1 for a table without units.
int32_t UnitIndexOf(const OffsetTable& table, int64_t offset);

}  // namespace corvalin
