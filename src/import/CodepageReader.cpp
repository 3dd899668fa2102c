#include "import/CodepageReader.h"

#include <algorithm>

#include "import/CodepageDecoding.h"

namespace corvalin {

// The converter of a multi-byte or stateful page, and where the last character it read
// ended, so that a sequential read goes on in the state that character left.
class CodepageReader::Converter {
public:
    ConverterHandle handle;
    int64_t nextPosition = -1;
    // The second half of a character outside the BMP, due at `pendingPosition` (the
    // character's last byte), which it moves on to `pendingEnd`.
    char16_t pendingLow = 0;
    int64_t pendingPosition = -1;
    int64_t pendingEnd = -1;
};

CodepageReader::CodepageReader(std::span<const uint8_t> document, int32_t codePage, bool twoByteDocument)
    : document_(document), decoding_(std::make_unique<CodepageDecoding>(codePage, twoByteDocument)) {
    if (decoding_->method() == CodepageDecoding::Method::Converter) {
        converter_ = std::make_unique<Converter>();
        converter_->handle = decoding_->OpenConverter();
    }
}

CodepageReader::~CodepageReader() = default;
CodepageReader::CodepageReader(CodepageReader&&) noexcept = default;
CodepageReader& CodepageReader::operator=(CodepageReader&&) noexcept = default;

int32_t CodepageReader::CodePage() const { return decoding_->codePage(); }

char16_t CodepageReader::ReadChar(int64_t& position) {
    if (position < 0 || position >= Length()) {
        position = Length();
        return kEndOfDocument;
    }
    switch (decoding_->method()) {
        case CodepageDecoding::Method::Utf16LE:
            return ReadTwoByteUnit(position, false);
        case CodepageDecoding::Method::Utf16BE:
            return ReadTwoByteUnit(position, true);
        case CodepageDecoding::Method::Table: {
            const auto& table = decoding_->table();
            while (position < Length()) {
                const char16_t unit = table[document_[size_t(position++)]];
                if (unit != kSkippedUnit) return unit;
            }
            return kEndOfDocument;
        }
        case CodepageDecoding::Method::Converter:
        default:
            return ReadConverted(position);
    }
}

char16_t CodepageReader::ReadTwoByteUnit(int64_t& position, bool bigEndian) {
    for (;;) {
        if (Length() - position < 2) {
            position = Length();
            return kEndOfDocument;
        }
        const uint8_t first = document_[size_t(position)];
        const uint8_t second = document_[size_t(position) + 1];
        const auto unit = char16_t(bigEndian ? first << 8 | second : second << 8 | first);
        const bool atStart = position == 0;
        position += 2;
        if (IsReservedUnit(unit) || (unit == kByteOrderMark && atStart)) continue;
        return FinishUnit(unit);
    }
}

char16_t CodepageReader::ReadConverted(int64_t& position) {
    Converter& c = *converter_;
    if (c.pendingLow != 0 && position == c.pendingPosition) {
        const char16_t low = c.pendingLow;
        c.pendingLow = 0;
        position = c.pendingEnd;
        return low;
    }
    c.pendingLow = 0;
    const auto* begin = reinterpret_cast<const char*>(document_.data());
    const char* end = begin + document_.size();
    while (position < Length()) {
        if (position != c.nextPosition) ucnv_resetToUnicode(c.handle.get());
        const int64_t start = position;
        const char* source = begin + start;
        UErrorCode status = U_ZERO_ERROR;
        const UChar32 code = ucnv_getNextUChar(c.handle.get(), &source, end, &status);
        if (status == U_INDEX_OUTOFBOUNDS_ERROR) {
            // Nothing but state changes (escape or shift sequences) was left.
            position = Length();
            c.nextPosition = -1;
            return kEndOfDocument;
        }
        position = source > begin + start ? source - begin : start + 1;
        c.nextPosition = position;
        if (U_FAILURE(status) || code < 0 || code > 0x10FFFF) return kReplacementUnit;
        if (code > 0xFFFF) {
            // Such a character takes at least two bytes, so the high half can stop one byte
            // short of its end: a caller reading up to a line start or the document's end
            // then comes back for the low half.
            c.pendingLow = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            c.pendingEnd = position;
            c.pendingPosition = position = std::max(start + 1, position - 1);
            return char16_t(0xD800 + ((code - 0x10000) >> 10));
        }
        const auto unit = char16_t(code);
        if (IsReservedUnit(unit) || (unit == kByteOrderMark && start == 0)) continue;
        return FinishUnit(unit);
    }
    return kEndOfDocument;
}

char16_t ReadBufferedChar(ConvertedUnits& buffer, int64_t sourceLength, int64_t& position) {
    if (position < 0) return 0;
    // A step may append nothing (a comment, the head of a page): convert on until the unit
    // is there or the source is done, instead of ending the text early.
    while (buffer.UnitCount() < size_t(position) + 2 && !buffer.FullyConverted()) buffer.ConvertStep();
    if (size_t(position) >= buffer.UnitCount()) return 0;
    const char16_t unit = buffer.UnitAt(size_t(position));
    ++position;
    if (size_t(position) == buffer.UnitCount() && buffer.FullyConverted())
        position = std::max(position, sourceLength);
    return unit;
}

}  // namespace corvalin
