#include "layout/OffsetTable.h"

#include <algorithm>

namespace corvalin {

void OffsetTable::Assign(const std::vector<int32_t>& entries, int32_t textStart, int32_t textEnd) {
    entries_.resize(entries.size());
    int32_t floor = textStart;
    for (size_t i = 0; i < entries.size(); ++i) {
        floor = std::clamp(entries[i], floor, std::max(floor, textEnd));
        entries_[i] = floor;
    }
    if (!entries_.empty()) {
        entries_.front() = textStart;
        entries_.back() = std::max(textStart, textEnd);
    }
}

int32_t UnitIndexOf(const OffsetTable& table, int64_t offset) {
    const int32_t n = table.Count();
    if (n < 2) return -1;
    if (offset < table.Entry(0)) return 0;
    if (offset >= table.Entry(n - 1)) return n - 2;
    if (n == 2) return 0;
    int32_t lo = 0;
    int32_t hi = n - 1;
    for (int32_t mid = (lo + hi) / 2; mid != lo; mid = (lo + hi) / 2) {
        if (offset < table.Entry(mid))
            hi = mid;
        else
            lo = mid;
    }
    return lo;
}

}  // namespace corvalin
