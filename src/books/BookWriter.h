#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "books/BookFile.h"
#include "store/StreamingDigest.h"
#include "store/VEMFile.h"

namespace corvalin {

// A document that cannot become a book (no text, too large for 32-bit offsets).
class BookBuildError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes the text items and offset tables of a new book. Items go into a buffer that the file
// sees in large writes; the item writers are inline because they run once per word of the book.
class BookWriter {
public:
    explicit BookWriter(VEMFile& file);

    // Starts a paragraph. Its first source line is also kept aside (FirstLine) until the next
    // paragraph starts, so that the heading detection need not read the book back.
    void BeginParagraph() {
        paragraphs_.push_back(CurrentOffset());
        firstLine_.clear();
        firstLineDone_ = false;
        firstLineFrom_ = next_;
    }
    // The items of the current paragraph's first source line with its line end, once that line
    // is written; empty while it is not, or when it was too long to keep (read it from the file).
    const std::vector<uint8_t>& FirstLine() const { return firstLine_; }
    bool FirstLineKept() const { return firstLineDone_ && !firstLine_.empty(); }
    // Paragraph starts so far; after FinishText the whole table with text end.
    const std::vector<int32_t>& Paragraphs() const { return paragraphs_; }

    // A word item of 1..kMaxWordItemUnits units, optionally led by the paragraph mark (which
    // counts towards the item's length). On little-endian machines the units are copied eight
    // at a time, so `units` must stay readable for up to 7 units past the word
    // (kWordReadSlackUnits); the bytes written past the item are overwritten by the next one.
    static constexpr int kWordReadSlackUnits = 8;
    void WriteWord(const char16_t* units, int count, bool paragraphMark = false) {
        MakeRoom();
        uint8_t* out = next_;
        *out++ = uint8_t(count + (paragraphMark ? 1 : 0));
        if (paragraphMark) {
            *out++ = uint8_t(kParagraphMark);
            *out++ = 0;
        }
        if constexpr (std::endian::native == std::endian::little) {
            for (int i = 0; i < count; i += kWordReadSlackUnits)
                std::memcpy(out + 2 * i, units + i, 2 * kWordReadSlackUnits);
            out += 2 * count;
        } else {
            for (int i = 0; i < count; ++i) {
                *out++ = uint8_t(units[i]);
                *out++ = uint8_t(units[i] >> 8);
            }
        }
        next_ = out;
    }

    // White space of any width, as space items of at most kMaxSpaceItemColumns columns.
    void WriteSpaces(int64_t columns) {
        while (columns > 0) {
            MakeRoom();
            const int64_t item = columns < kMaxSpaceItemColumns ? columns : kMaxSpaceItemColumns;
            next_[0] = 0;
            next_[1] = uint8_t(item);
            next_ += 2;
            columns -= item;
        }
    }

    void EndLine() {
        MakeRoom();
        next_[0] = 0;
        next_[1] = 0;
        next_ += 2;
        lines_.push_back(CurrentOffset());
        if (!firstLineDone_) KeepFirstLine(true);
    }

    // Writes the tables, the header and the head digest; the record store goes at the
    // returned header's store offset.
    BookHeader FinishText();

private:
    // Room for the largest item, a length byte and 255 units, and the over-copy of WriteWord.
    static constexpr size_t kLargestItem = 1 + 2 * 255 + 2 * kWordReadSlackUnits;
    static constexpr size_t kBufferBytes = size_t(1) << 18;

    int32_t CurrentOffset() const { return int32_t(written_ + (next_ - buffer_.get())); }
    void MakeRoom() {
        if (size_t(bufferEnd_ - next_) < kLargestItem) FlushBuffer();
    }
    void FlushBuffer();
    void KeepFirstLine(bool lineEnded);
    void WriteTable(const std::vector<int32_t>& table);

    VEMFile& file_;
    int64_t written_;  // file offset where the buffer goes
    std::unique_ptr<uint8_t[]> buffer_;
    uint8_t* next_;
    uint8_t* bufferEnd_;
    std::vector<int32_t> paragraphs_;
    std::vector<int32_t> lines_;
    static constexpr size_t kFirstLineLimit = 4096;
    std::vector<uint8_t> firstLine_;
    // Paragraph 0 starts with the text, without a BeginParagraph.
    bool firstLineDone_ = false;
    const uint8_t* firstLineFrom_ = nullptr;
    // The head digest is taken from the bytes as they are written instead of reading the whole
    // book back: [kStreamedFrom, ...) on a second thread, the header's blocks at the end.
    static constexpr int64_t kStreamedFrom = 3 * kDigestLength;
    uint8_t headText_[kStreamedFrom - kBookTextStart] = {};
    StreamingDigest headDigest_{SeedA()};
};

}  // namespace corvalin
