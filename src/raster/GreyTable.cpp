#include "raster/GreyTable.h"

#include <algorithm>

namespace corvalin {

GreyTable::GreyTable() {
    // floor(i / 3 + 0.5) in integers: (2i + 3) / 6.
    for (int i = 0; i < kSize; ++i) entries_[i] = uint8_t(std::min(255, (2 * i + 3) / 6));
}

}  // namespace corvalin
