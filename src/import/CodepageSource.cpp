#include "import/CodepageSource.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "import/CodepageDecoding.h"
#include "import/CodepageList.h"

namespace corvalin {
namespace {

class CodepageSourceBase : public TextSource {
public:
    explicit CodepageSourceBase(DocumentBytes bytes) : bytes_(std::move(bytes)) {}
    int64_t SourceBytes() const override { return int64_t(bytes_.size()); }

protected:
    DocumentBytes bytes_;
    size_t position_ = 0;
};

// Single-byte pages: one table lookup per byte. Sixteen bytes at a time are checked for
// the reserved bytes 1 and 2 (the only ones the table drops): without them every byte gives
// one unit, through the table or, for a run of ASCII on a page that keeps ASCII, by widening.
class TableSource : public CodepageSourceBase {
public:
    TableSource(DocumentBytes bytes, const CodepageDecoding& decoding)
        : CodepageSourceBase(std::move(bytes)),
          table_(decoding.table()),
          asciiIdentity_(decoding.asciiIdentity()) {
        onlyReservedSkipped_ = true;
        for (int byte = 0; byte < 256; ++byte) {
            if ((table_[size_t(byte)] == kSkippedUnit) != IsReservedUnit(char16_t(byte)))
                onlyReservedSkipped_ = false;
        }
    }

    size_t ReadUnits(char16_t* out, size_t capacity) override {
        // Locals, so that the stores to `out` do not make the compiler reload the members.
        const uint8_t* data = bytes_.data();
        const size_t size = bytes_.size();
        const char16_t* table = table_.data();
        size_t position = position_;
        size_t n = 0;
        while (n < capacity && position < size) {
#if defined(__SSE2__)
            if (onlyReservedSkipped_ && size - position >= 16 && capacity - n >= 16) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + position));
                const __m128i reserved = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(1)),
                                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(2)));
                if (_mm_movemask_epi8(reserved) == 0) {
                    if (asciiIdentity_ && _mm_movemask_epi8(bytes) == 0) {
                        const __m128i zero = _mm_setzero_si128();
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi8(bytes, zero));
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 8),
                                         _mm_unpackhi_epi8(bytes, zero));
                    } else {
                        const uint8_t* p = data + position;
                        for (int i = 0; i < 16; ++i) out[n + size_t(i)] = table[p[i]];
                    }
                    n += 16;
                    position += 16;
                    continue;
                }
            }
#endif
            const char16_t unit = table[data[position++]];
            out[n] = unit;
            n += unit != kSkippedUnit;
        }
        position_ = position;
        return n;
    }

private:
    std::array<char16_t, 256> table_;
    bool asciiIdentity_;
    bool onlyReservedSkipped_;
};

class Utf16Source : public CodepageSourceBase {
public:
    Utf16Source(DocumentBytes bytes, bool bigEndian)
        : CodepageSourceBase(std::move(bytes)), bigEndian_(bigEndian) {
        // The mark is read like any unit and dropped only here, at the very start.
        if (bytes_.size() >= 2) {
            const uint8_t* b = bytes_.data();
            const auto first = char16_t(bigEndian_ ? b[0] << 8 | b[1] : b[1] << 8 | b[0]);
            if (first == kByteOrderMark) position_ = 2;
        }
    }

    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const uint8_t* data = bytes_.data();
        const size_t last = bytes_.size() & ~size_t(1);  // an odd final byte is not read
        const int high = bigEndian_ ? 0 : 1;
        size_t n = 0;
        while (n < capacity && position_ < last) {
            const uint8_t* p = data + position_;
            const auto unit = char16_t(p[high] << 8 | p[1 - high]);
            position_ += 2;
            if (IsReservedUnit(unit)) continue;
            out[n++] = unit >= 0xF000 ? FinishUnit(unit) : unit;
        }
        return n;
    }

private:
    bool bigEndian_;
};

// UTF-8, widening runs of ASCII sixteen bytes at a time.
class Utf8CodepageSource : public CodepageSourceBase {
public:
    explicit Utf8CodepageSource(DocumentBytes bytes) : CodepageSourceBase(std::move(bytes)) {
        const uint8_t* b = bytes_.data();
        if (bytes_.size() >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) position_ = 3;
    }

    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const uint8_t* data = bytes_.data();
        const size_t size = bytes_.size();
        size_t n = 0;
        // Room for a surrogate pair at every step.
        while (n + 2 <= capacity && position_ < size) {
#if defined(__SSE2__)
            if (size - position_ >= 16 && capacity - n >= 16) {
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + position_));
                const __m128i reserved = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(1)),
                                                      _mm_cmpeq_epi8(bytes, _mm_set1_epi8(2)));
                if ((_mm_movemask_epi8(bytes) | _mm_movemask_epi8(reserved)) == 0) {
                    const __m128i zero = _mm_setzero_si128();
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi8(bytes, zero));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 8), _mm_unpackhi_epi8(bytes, zero));
                    n += 16;
                    position_ += 16;
                    continue;
                }
            }
#endif
            char32_t code = 0;
            position_ += DecodeUtf8(data + position_, size - position_, code);
            if (code > 0xFFFF) {
                out[n++] = char16_t(0xD800 + ((code - 0x10000) >> 10));
                out[n++] = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
                continue;
            }
            const auto unit = char16_t(code);
            if (IsReservedUnit(unit)) continue;
            out[n++] = unit >= 0xF000 ? FinishUnit(unit) : unit;
        }
        return n;
    }
};

// Multi-byte and stateful pages through ICU, a block at a time. ICU keeps what did not fit
// and gives it first at the next call.
class ConverterSource : public CodepageSourceBase {
public:
    ConverterSource(DocumentBytes bytes, const CodepageDecoding& decoding)
        : CodepageSourceBase(std::move(bytes)), converter_(decoding.OpenConverter()) {}

    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const auto* begin = reinterpret_cast<const char*>(bytes_.data());
        const char* end = begin + bytes_.size();
        while (!finished_) {
            const char* source = begin + position_;
            UChar* target = out;
            UErrorCode status = U_ZERO_ERROR;
            ucnv_toUnicode(converter_.get(), &target, out + capacity, &source, end, nullptr, true, &status);
            position_ = size_t(source - begin);
            if (status != U_BUFFER_OVERFLOW_ERROR) finished_ = true;
            const size_t n = Finish(out, size_t(target - out));
            if (n > 0) return n;
        }
        return 0;
    }

private:
    // Drops the reserved units and a leading byte-order mark, maps Symbol-font units.
    size_t Finish(char16_t* units, size_t count) {
        size_t kept = 0;
        for (size_t i = 0; i < count; ++i) {
            const char16_t unit = units[i];
            const bool first = !started_;
            started_ = true;
            if (IsReservedUnit(unit) || (first && unit == kByteOrderMark)) continue;
            units[kept++] = FinishUnit(unit);
        }
        return kept;
    }

    ConverterHandle converter_;
    bool finished_ = false;
    bool started_ = false;
};

}  // namespace

std::unique_ptr<TextSource> MakeCodepageSource(DocumentBytes bytes, int32_t codePage, bool twoByteDocument) {
    const CodepageDecoding decoding(codePage, twoByteDocument);
    switch (decoding.method()) {
        case CodepageDecoding::Method::Utf16LE:
            return std::make_unique<Utf16Source>(std::move(bytes), false);
        case CodepageDecoding::Method::Utf16BE:
            return std::make_unique<Utf16Source>(std::move(bytes), true);
        case CodepageDecoding::Method::Utf8:
            return std::make_unique<Utf8CodepageSource>(std::move(bytes));
        case CodepageDecoding::Method::Table:
            return std::make_unique<TableSource>(std::move(bytes), decoding);
        case CodepageDecoding::Method::Converter:
        default:
            return std::make_unique<ConverterSource>(std::move(bytes), decoding);
    }
}

int32_t CodePageOfByteOrderMark(const uint8_t* bytes, size_t size) {
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return kCodePageUnicode;
    if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return kCodePageUnicodeBigEndian;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return kCodePageUtf8;
    return 0;
}

}  // namespace corvalin
