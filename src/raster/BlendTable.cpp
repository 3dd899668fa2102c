#include "raster/BlendTable.h"

#include <cstdlib>

namespace corvalin {

BlendTable::BlendTable() : entries_(size_t(kDifferences) * kCoverages) {
    for (int d = -255; d <= 255; ++d) {
        const int sign = d < 0 ? -1 : (d > 0 ? 1 : 0);
        for (int a = 0; a < kCoverages; ++a)
            entries_[Index(d, a)] = sign * ((std::abs(d) * a + 128) / 255) * 256;
    }
}

}  // namespace corvalin
