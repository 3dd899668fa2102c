#include "import/UnicodeSources.h"

#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <fstream>

#include "books/VEMFileError.h"

namespace corvalin {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

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
        const uint8_t* data = bytes_.data();
        const size_t size = bytes_.size();
        const uint8_t lead = data[position_];
        int length = 0;
        uint32_t code = 0;
        uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        }
        if (length == 0 || size - position_ < size_t(length)) {
            ++position_;
            out[0] = kReplacement;
            return 1;
        }
        for (int i = 1; i < length; ++i) {
            const uint8_t b = data[position_ + i];
            if ((b & 0xC0) != 0x80) {
                ++position_;
                out[0] = kReplacement;
                return 1;
            }
            code = code << 6 | (b & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            ++position_;
            out[0] = kReplacement;
            return 1;
        }
        position_ += length;
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
    if (!in) throw VEMFileError("cannot open " + path.string());
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0) throw VEMFileError("cannot read " + path.string());
    in.seekg(0, std::ios::beg);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        throw VEMFileError("cannot read " + path.string());
    return bytes;
}

}  // namespace corvalin

namespace corvalin {

std::u16string Utf8ToUtf16(std::string_view text) {
    auto source = MakeUnicodeSource(std::vector<uint8_t>(text.begin(), text.end()), UnicodeForm::Utf8);
    std::u16string result;
    char16_t block[4096];
    while (size_t n = source->ReadUnits(block, 4096)) result.append(block, n);
    return result;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // a lone surrogate has no UTF-8 form
        }
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | c >> 6);
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | c >> 12);
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | c >> 18);
            out += char(0x80 | (c >> 12 & 0x3F));
            out += char(0x80 | (c >> 6 & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace corvalin
