#pragma once

#include <cstdint>
#include <string>

#include "store/VEMFile.h"

namespace corvalin {

struct TextItem {
    enum class Kind { Word, Space, LineEnd };
    Kind kind = Kind::LineEnd;
    std::u16string word;  // Word only
    int columns = 0;      // Space only
};

// Reads the item at `offset` and advances past it. Returns false, leaving `offset` alone, when
// no whole item lies before `end`: every length comes from the file and is checked here.
bool NextTextItem(VEMFile& file, int64_t& offset, int64_t end, TextItem& item);

// Reads consecutive items of [offset, end), with the same contract as NextTextItem: from a
// book file through a small window (one file read per window instead of two per item), or
// from items already in memory.
class TextItemReader {
public:
    TextItemReader(VEMFile& file, int64_t offset, int64_t end)
        : file_(&file), offset_(offset), end_(end), window_(buffer_) {}
    // Items held in memory; offsets count from 0 at `bytes`.
    TextItemReader(const uint8_t* bytes, int64_t size)
        : offset_(0), end_(size), windowEnd_(size), window_(bytes) {}
    TextItemReader(const TextItemReader&) = delete;
    TextItemReader& operator=(const TextItemReader&) = delete;

    bool Next(TextItem& item);
    int64_t offset() const { return offset_; }
    int64_t end() const { return end_; }
    void SkipToEnd() { offset_ = end_; }

private:
    bool Ensure(int64_t bytes);

    // Holds the longest item (511 bytes) with room to spare; most first lines fit in the first,
    // smaller read.
    static constexpr int64_t kWindowBytes = 1024;
    static constexpr int64_t kFirstWindowBytes = 192;
    VEMFile* file_ = nullptr;
    int64_t offset_;
    int64_t end_;
    int64_t windowStart_ = 0;
    int64_t windowEnd_ = 0;
    const uint8_t* window_;
    uint8_t buffer_[kWindowBytes];
};

}  // namespace corvalin
