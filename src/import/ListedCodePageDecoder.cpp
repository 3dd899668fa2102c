#include "import/ListedCodePageDecoder.h"

#include <stdexcept>

#include "import/CodepageDecoding.h"
#include "import/CodepageList.h"

namespace corvalin {
namespace {

void AppendUnit(char16_t unit, std::u16string& out) {
    if (!IsReservedUnit(unit)) out += FinishUnit(unit);
}

}  // namespace

ListedCodePageDecoder::ListedCodePageDecoder() = default;
ListedCodePageDecoder::~ListedCodePageDecoder() = default;

const CodepageDecoding* ListedCodePageDecoder::DecodingOf(int codePage) {
    auto found = decodings_.find(codePage);
    if (found == decodings_.end()) {
        std::unique_ptr<CodepageDecoding> decoding;
        // 0 would be the system's page; a document that names a page means that one.
        if (codePage != kCodePageSystem) {
            try {
                decoding = std::make_unique<CodepageDecoding>(int32_t(codePage), false);
            } catch (const std::invalid_argument&) {
            }
        }
        found = decodings_.emplace(codePage, std::move(decoding)).first;
    }
    return found->second.get();
}

bool ListedCodePageDecoder::Decode(int codePage, std::span<const uint8_t> bytes, std::u16string& out) {
    const CodepageDecoding* decoding = DecodingOf(codePage);
    if (decoding == nullptr) return false;
    switch (decoding->method()) {
        case CodepageDecoding::Method::Table:
            for (const uint8_t byte : bytes) {
                const char16_t unit = decoding->table()[byte];
                if (unit != kSkippedUnit) out += unit;
            }
            return true;
        case CodepageDecoding::Method::Utf16LE:
        case CodepageDecoding::Method::Utf16BE: {
            const bool bigEndian = decoding->method() == CodepageDecoding::Method::Utf16BE;
            for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
                const auto unit = bigEndian ? char16_t(bytes[i] << 8 | bytes[i + 1])
                                            : char16_t(bytes[i] | bytes[i + 1] << 8);
                AppendUnit(unit, out);
            }
            return true;
        }
        case CodepageDecoding::Method::Utf8:
            for (size_t i = 0; i < bytes.size();) {
                char32_t code = 0;
                i += DecodeUtf8(bytes.data() + i, bytes.size() - i, code);
                if (code > 0xFFFF) {
                    out += char16_t(0xD800 + ((code - 0x10000) >> 10));
                    out += char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
                } else {
                    AppendUnit(char16_t(code), out);
                }
            }
            return true;
        case CodepageDecoding::Method::Converter:
            break;
    }
    ConverterHandle converter = decoding->OpenConverter();
    if (!converter) return false;
    // A piece of text is converted whole, with a character cut at its end decoded as far as
    // it goes (the flush).
    std::u16string units(2 * bytes.size() + 16, u'\0');
    const char* source = reinterpret_cast<const char*>(bytes.data());
    UChar* target = reinterpret_cast<UChar*>(units.data());
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, target + units.size(), &source, source + bytes.size(), nullptr,
                   true, &status);
    if (U_FAILURE(status)) return false;
    for (const UChar* unit = reinterpret_cast<const UChar*>(units.data()); unit < target; ++unit)
        AppendUnit(char16_t(*unit), out);
    return true;
}

}  // namespace corvalin
