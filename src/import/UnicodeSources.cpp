#include "import/UnicodeSources.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fstream>

#include "base/Utf.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

class MemorySource : public TextSource {
public:
    MemorySource(DocumentBytes bytes, size_t bodyStart) : bytes_(std::move(bytes)), position_(bodyStart) {}
    int64_t SourceBytes() const override { return int64_t(bytes_.size()); }

protected:
    DocumentBytes bytes_;
    size_t position_;
};

class Utf8Source : public MemorySource {
public:
    using MemorySource::MemorySource;

    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const uint8_t* data = bytes_.data();
        const size_t size = bytes_.size();
        size_t n = 0;
        // Leave room for a surrogate pair at every step.
        while (n + 2 <= capacity && position_ < size) {
            // Most text is ASCII: widen sixteen such bytes at a time.
            if (size - position_ >= 16 && capacity - n >= 16) {
#if defined(__SSE2__)
                const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + position_));
                if (_mm_movemask_epi8(bytes) == 0) {
                    const __m128i zero = _mm_setzero_si128();
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n), _mm_unpacklo_epi8(bytes, zero));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n + 8), _mm_unpackhi_epi8(bytes, zero));
                    n += 16;
                    position_ += 16;
                    continue;
                }
#else
                uint64_t eight[2];
                std::memcpy(eight, data + position_, 16);
                if (((eight[0] | eight[1]) & 0x8080808080808080ull) == 0) {
                    for (int i = 0; i < 16; ++i) out[n + i] = data[position_ + i];
                    n += 16;
                    position_ += 16;
                    continue;
                }
#endif
            }
            const uint8_t lead = data[position_];
            if (lead < 0x80) {
                out[n++] = lead;
                ++position_;
                continue;
            }
            n += DecodeSequence(out + n);
        }
        return n;
    }

private:
    // Decodes one multi-byte sequence at position_ into one or two units.
    size_t DecodeSequence(char16_t* out) {
        char32_t code = 0;
        position_ += DecodeUtf8(bytes_.data() + position_, bytes_.size() - position_, code);
        if (code < 0x10000) {
            out[0] = char16_t(code);
            return 1;
        }
        code -= 0x10000;
        out[0] = char16_t(0xD800 + (code >> 10));
        out[1] = char16_t(0xDC00 + (code & 0x3FF));
        return 2;
    }
};

class Utf16Source : public MemorySource {
public:
    Utf16Source(DocumentBytes bytes, size_t bodyStart, bool bigEndian)
        : MemorySource(std::move(bytes), bodyStart), bigEndian_(bigEndian) {}

    size_t ReadUnits(char16_t* out, size_t capacity) override {
        const size_t pairs = (bytes_.size() - position_) / 2;
        const size_t n = pairs < capacity ? pairs : capacity;
        const uint8_t* p = bytes_.data() + position_;
        if (bigEndian_) {
            for (size_t i = 0; i < n; ++i) out[i] = char16_t(p[2 * i] << 8 | p[2 * i + 1]);
        } else {
            for (size_t i = 0; i < n; ++i) out[i] = char16_t(p[2 * i] | p[2 * i + 1] << 8);
        }
        position_ += 2 * n;
        return n;
    }

private:
    bool bigEndian_;
};

}  // namespace

UnicodeForm DetectUnicodeForm(const uint8_t* bytes, size_t size) {
    if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return UnicodeForm::Utf16LE;
    if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return UnicodeForm::Utf16BE;
    return UnicodeForm::Utf8;
}

std::unique_ptr<TextSource> MakeUnicodeSource(DocumentBytes bytes, UnicodeForm form) {
    const uint8_t* b = bytes.data();
    const size_t size = bytes.size();
    switch (form) {
        case UnicodeForm::Utf16LE: {
            const size_t start = (size >= 2 && b[0] == 0xFF && b[1] == 0xFE) ? 2 : 0;
            return std::make_unique<Utf16Source>(std::move(bytes), start, false);
        }
        case UnicodeForm::Utf16BE: {
            const size_t start = (size >= 2 && b[0] == 0xFE && b[1] == 0xFF) ? 2 : 0;
            return std::make_unique<Utf16Source>(std::move(bytes), start, true);
        }
        case UnicodeForm::Utf8:
        default: {
            const size_t start = (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) ? 3 : 0;
            return std::make_unique<Utf8Source>(std::move(bytes), start);
        }
    }
}

std::vector<uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FileError("cannot open " + path.string());
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw FileError("cannot read " + path.string());
    in.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw FileError("cannot read " + path.string());
    return bytes;
}

}  // namespace corvalin

namespace corvalin {}  // namespace corvalin
