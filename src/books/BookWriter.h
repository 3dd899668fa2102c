#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "books/BookFile.h"
#include "books/StreamingDigest.h"
#include "books/VEMFile.h"

namespace corvalin {

// A document that cannot become a book (no text, too large for 32-bit offsets).
class BookBuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the text items and offset tables of a new book, buffering items so that the file
// sees large writes.
class BookWriter {
public:
    explicit BookWriter(VEMFile& file);

    void BeginParagraph() { paragraphs_.push_back(CurrentOffset()); }
    // A word item of 1..kMaxWordItemUnits units.
    void WriteWord(const char16_t* units, int count);
    // White space of any width, as space items of at most kMaxSpaceItemColumns columns.
    void WriteSpaces(int64_t columns);
    void EndLine();
    int64_t paragraphStarts() const { return int64_t(paragraphs_.size()) - 1; }

    // Writes the tables, the header and the head digest; the record store goes at the
    // returned header's store offset.
    BookHeader FinishText();

private:
    int32_t CurrentOffset() const { return int32_t(written_ + int64_t(buffer_.size())); }
    void Reserve(size_t bytes);
    void FlushBuffer();
    void WriteTable(const std::vector<int32_t>& table);

    VEMFile& file_;
    int64_t written_;  // file offset where buffer_ goes
    // The head digest is taken from the bytes as they are written instead of reading the whole
    // book back: [kStreamedFrom, ...) on a second thread, the header's blocks at the end.
    static constexpr int64_t kStreamedFrom = 3 * kDigestLength;
    uint8_t headText_[kStreamedFrom - kBookTextStart] = {};
    StreamingDigest headDigest_{SeedA()};
    std::vector<uint8_t> buffer_;
    std::vector<int32_t> paragraphs_;
    std::vector<int32_t> lines_;
};

}  // namespace corvalin
