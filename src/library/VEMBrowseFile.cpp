#include "library/VEMBrowseFile.h"

#include <algorithm>

namespace corvalin {

void PreviewLines::Append(std::u16string_view text) {
    if (starts_.empty()) starts_.push_back(0);
    if (!text.empty()) nonEmpty_.push_back(uint16_t(Count()));
    text_.append(text);
    starts_.push_back(uint32_t(text_.size()));
}

int PreviewLines::NextNonEmpty(int line) const {
    const auto it = std::upper_bound(nonEmpty_.begin(), nonEmpty_.end(), line,
                                     [](int value, uint16_t element) { return value < int(element); });
    return it == nonEmpty_.end() ? kNone : int(*it);
}

int PreviewLines::PreviousNonEmpty(int line) const {
    auto it = std::lower_bound(nonEmpty_.begin(), nonEmpty_.end(), line,
                               [](uint16_t element, int value) { return int(element) < value; });
    if (it == nonEmpty_.begin()) return kNone;
    return *--it;
}

void PreviewLines::ShrinkToFit() {
    text_.shrink_to_fit();
    starts_.shrink_to_fit();
    nonEmpty_.shrink_to_fit();
}

}  // namespace corvalin
