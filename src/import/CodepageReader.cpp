#include "import/CodepageReader.h"

#include <algorithm>
#include <string>
#include <vector>

#include "import/CodepageDecoding.h"

namespace corvalin {

// The converter of a multi-byte or stateful page. It is fed one byte at a time, which is
// exactly how ICU would read the whole document in one call (ICU's conversion does not depend
// on how its input is cut), so the preview shows what the conversion makes. A byte that
// completes several units (an error and the character after it, a pair of surrogates)
// leaves the rest waiting.
class CodepageReader::Converter {
public:
    ConverterHandle handle;
    // Where the last unit returned left the reader: reading on from there keeps the
    // converter's state. The converter has been fed up to `fedUpTo`, which lies further on
    // by the bytes it holds back.
    int64_t nextPosition = -1;
    int64_t fedUpTo = 0;
    // Units decoded but not yet returned; waiting[i] is due at waitingPositions[i].
    std::u16string waiting;
    std::vector<int64_t> waitingPositions;
    size_t nextWaiting = 0;
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
        case CodepageDecoding::Method::Utf8:
            return ReadUtf8(position);
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
    if (c.nextWaiting < c.waiting.size() && c.nextWaiting > 0 &&
        position == c.waitingPositions[c.nextWaiting - 1]) {
        position = c.waitingPositions[c.nextWaiting];
        return c.waiting[c.nextWaiting++];
    }
    c.waiting.clear();
    c.waitingPositions.clear();
    c.nextWaiting = 0;
    if (position != c.nextPosition) {
        ucnv_resetToUnicode(c.handle.get());
        c.fedUpTo = position;
    }
    const auto* begin = reinterpret_cast<const char*>(document_.data());
    UChar output[64];
    while (c.fedUpTo < Length()) {
        const int64_t start = position;
        std::u16string units;
        while (units.empty() && c.fedUpTo < Length()) {
            const char* source = begin + c.fedUpTo;
            const char* limit = source + 1;
            const bool last = c.fedUpTo + 1 == Length();
            UErrorCode status;
            do {
                status = U_ZERO_ERROR;
                UChar* target = output;
                ucnv_toUnicode(c.handle.get(), &target, output + std::size(output), &source, limit, nullptr,
                               last, &status);
                units.append(output, size_t(target - output));
            } while (status == U_BUFFER_OVERFLOW_ERROR);
            ++c.fedUpTo;
        }
        // Bytes the converter holds back (the start of a character it has not seen the end
        // of) belong to the units still to come.
        UErrorCode status = U_ZERO_ERROR;
        const int32_t held = ucnv_toUCountPending(c.handle.get(), &status);
        position = std::max(start, c.fedUpTo - (U_SUCCESS(status) ? held : 0));
        c.nextPosition = position;
        const bool documentStart = start == 0;
        for (size_t i = 0; i < units.size(); ++i) {
            const char16_t unit = units[i];
            if (IsReservedUnit(unit) || (unit == kByteOrderMark && documentStart && i == 0)) continue;
            c.waiting += FinishUnit(unit);
        }
        if (c.waiting.empty()) continue;
        // Where the reader stands after each unit: the end of the bytes read for the last,
        // one byte earlier for each one before it, so that a caller reading up to a line
        // start or the end comes back for every unit.
        const int64_t count = int64_t(c.waiting.size());
        for (int64_t i = 0; i < count; ++i) {
            c.waitingPositions.push_back(
                std::min(std::max(position - (count - 1 - i), start + 1 + i), position));
        }
        c.nextWaiting = 1;
        position = c.waitingPositions[0];
        return c.waiting[0];
    }
    position = Length();
    return kEndOfDocument;
}

char16_t CodepageReader::ReadUtf8(int64_t& position) {
    if (pendingLow_ != 0 && position == pendingAt_) {
        const char16_t low = pendingLow_;
        pendingLow_ = 0;
        position = pendingEnd_;
        return low;
    }
    pendingLow_ = 0;
    while (position < Length()) {
        const int64_t start = position;
        char32_t code = 0;
        position += int64_t(DecodeUtf8(document_.data() + start, document_.size() - size_t(start), code));
        if (code > 0xFFFF) {
            // A character outside the BMP takes four bytes: the high half stops one byte
            // short of its end, so a caller reading up to a line start comes back for the low.
            pendingLow_ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            pendingEnd_ = position;
            pendingAt_ = position = position - 1;
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
