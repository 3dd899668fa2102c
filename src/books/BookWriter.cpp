#include "books/BookWriter.h"

#include <cstring>
#include <limits>

namespace corvalin {
namespace {

// Offsets are signed 32-bit; leave room behind the tables for the head digest and a store
// whose heading index can be large.
constexpr int64_t kMaxBookBytes = std::numeric_limits<int32_t>::max() - (int64_t(64) << 20);

}  // namespace

BookWriter::BookWriter(VEMFile& file)
    : file_(file),
      written_(kBookTextStart),
      buffer_(new uint8_t[kBufferBytes]),
      next_(buffer_.get()),
      bufferEnd_(buffer_.get() + kBufferBytes),
      firstLineFrom_(buffer_.get()) {
    paragraphs_.push_back(kBookTextStart);
    lines_.push_back(kBookTextStart);
}

void BookWriter::KeepFirstLine(bool lineEnded) {
    if (firstLine_.size() + size_t(next_ - firstLineFrom_) <= kFirstLineLimit) {
        firstLine_.insert(firstLine_.end(), firstLineFrom_, static_cast<const uint8_t*>(next_));
    } else {
        firstLine_.clear();
        firstLineDone_ = true;  // too long to keep: the caller reads it from the file
        return;
    }
    firstLineFrom_ = buffer_.get();
    if (lineEnded) firstLineDone_ = true;
}

void BookWriter::FlushBuffer() {
    const auto size = int64_t(next_ - buffer_.get());
    if (size == 0) return;
    if (!firstLineDone_) KeepFirstLine(false);
    if (written_ + size > kMaxBookBytes) throw BookBuildError("the document is too large for one book");
    const uint8_t* bytes = buffer_.get();
    file_.Write(bytes, size, written_);
    int64_t skip = 0;
    for (; skip < size && written_ + skip < kStreamedFrom; ++skip)
        headText_[written_ + skip - kBookTextStart] = bytes[skip];
    headDigest_.Add(bytes + skip, size_t(size - skip));
    written_ += size;
    next_ = buffer_.get();
}

void BookWriter::WriteTable(const std::vector<int32_t>& table) {
    for (int32_t entry : table) {
        MakeRoom();
        const auto v = uint32_t(entry);
        next_[0] = uint8_t(v);
        next_[1] = uint8_t(v >> 8);
        next_[2] = uint8_t(v >> 16);
        next_[3] = uint8_t(v >> 24);
        next_ += 4;
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
