#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace corvalin {

// A document decoded into UTF-16 code units, read forward in blocks.
class TextSource {
public:
    virtual ~TextSource() = default;
    // Size of the document as stored, in bytes; it scales the progress bar.
    virtual int64_t SourceBytes() const = 0;
    // Fills up to `capacity` units (at least 2, so that a surrogate pair always fits);
    // returns 0 only at the end of the document.
    virtual size_t ReadUnits(char16_t* out, size_t capacity) = 0;
};

// Units already decoded in memory, handed out in blocks of at most `pieceUnits`; the caller
// keeps them alive. `sourceBytes` stands for the document they came from.
class UnitsTextSource : public TextSource {
public:
    UnitsTextSource(std::u16string_view units, int64_t sourceBytes, size_t pieceUnits = SIZE_MAX)
        : units_(units), sourceBytes_(sourceBytes), pieceUnits_(pieceUnits) {}
    int64_t SourceBytes() const override { return sourceBytes_; }
    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const size_t n = std::min({capacity, pieceUnits_, units_.size() - position_});
        std::memcpy(out, units_.data() + position_, n * sizeof(char16_t));
        position_ += n;
        return n;
    }

private:
    std::u16string_view units_;
    int64_t sourceBytes_;
    size_t pieceUnits_;
    size_t position_ = 0;
};

}  // namespace corvalin
