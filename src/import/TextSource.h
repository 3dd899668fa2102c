#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

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

}  // namespace corvalin
