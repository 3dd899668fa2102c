#include "books/BookWriter.h"

#include <cstring>
#include <limits>

namespace corvalin {
namespace {

constexpr size_t kBufferBytes = 1 << 18;
// Offsets are 32-bit; leave room behind the text for the tables, digests and the store.
constexpr int64_t kMaxTextEnd = std::numeric_limits<int32_t>::max() / 2;

}  // namespace

BookWriter::BookWriter(VEMFile& file) : file_(file), written_(kBookTextStart) {
    buffer_.reserve(kBufferBytes + 2 * kMaxWordItemUnits + 2);
    paragraphs_.push_back(kBookTextStart);
    lines_.push_back(kBookTextStart);
}

void BookWriter::Reserve(size_t bytes) {
    if (buffer_.size() + bytes > kBufferBytes) FlushBuffer();
    if (written_ + int64_t(buffer_.size() + bytes) > kMaxTextEnd)
        throw BookBuildError("the document is too large for one book");
}

void BookWriter::FlushBuffer() {
    if (buffer_.empty()) return;
    file_.Write(buffer_.data(), int64_t(buffer_.size()), written_);
    size_t skip = 0;
    for (; skip < buffer_.size() && written_ + int64_t(skip) < kStreamedFrom; ++skip)
        headText_[written_ + int64_t(skip) - kBookTextStart] = buffer_[skip];
    headDigest_.Add(buffer_.data() + skip, buffer_.size() - skip);
    written_ += int64_t(buffer_.size());
    buffer_.clear();
}

void BookWriter::WriteWord(const char16_t* units, int count) {
    Reserve(1 + 2 * size_t(count));
    const size_t at = buffer_.size();
    buffer_.resize(at + 1 + 2 * size_t(count));
    uint8_t* out = buffer_.data() + at;
    *out++ = uint8_t(count);
    for (int i = 0; i < count; ++i) {
        *out++ = uint8_t(units[i]);
        *out++ = uint8_t(units[i] >> 8);
    }
}

void BookWriter::WriteSpaces(int64_t columns) {
    while (columns > 0) {
        const int64_t item = columns < kMaxSpaceItemColumns ? columns : kMaxSpaceItemColumns;
        Reserve(2);
        buffer_.push_back(0);
        buffer_.push_back(uint8_t(item));
        columns -= item;
    }
}

void BookWriter::EndLine() {
    Reserve(2);
    buffer_.push_back(0);
    buffer_.push_back(0);
    lines_.push_back(CurrentOffset());
}

void BookWriter::WriteTable(const std::vector<int32_t>& table) {
    for (int32_t entry : table) {
        Reserve(4);
        const auto v = uint32_t(entry);
        buffer_.insert(buffer_.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
}

BookHeader BookWriter::FinishText() {
    const int32_t textEnd = CurrentOffset();
    if (textEnd == kBookTextStart) throw BookBuildError("the document holds no text");
    paragraphs_.push_back(textEnd);

    BookHeader header;
    std::memcpy(header.signature, kBookSignature, kBookSignatureSize);
    header.textStart = kBookTextStart;
    header.textEnd = textEnd;
    header.paragraphCount = int32_t(paragraphs_.size());
    WriteTable(paragraphs_);
    header.lineTableOffset = CurrentOffset();
    header.lineCount = int32_t(lines_.size());
    WriteTable(lines_);
    header.storeOffset = CurrentOffset() + kDigestLength;
    FlushBuffer();

    WriteBookHeader(file_, header);
    uint8_t head[kStreamedFrom];
    file_.Read(head, kBookTextStart, 0);
    std::memcpy(head + kBookTextStart, headText_, sizeof headText_);
    std::array<uint8_t, kDigestLength> digest = headDigest_.Finish();
    AddDigest(digest, ComputeDigest(SeedA(), head, sizeof head));
    file_.Write(digest.data(), kDigestLength, int64_t(header.storeOffset) - kDigestLength);
    return header;
}

}  // namespace corvalin
