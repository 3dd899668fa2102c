#include "import/CodepageDecoding.h"

#include <unicode/ucnv_cb.h>

#include <stdexcept>
#include <string>

#include "import/CodepageList.h"
#include "import/SymbolMapping.h"

namespace corvalin {
namespace {

// ICU's own substitute is U+001A for some single-byte pages, which the book builder would
// take for white space and drop without a trace; U+FFFD shows the reader where the text is
// damaged.
void SubstituteReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* status) {
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
    static const UChar kReplacement[] = {kReplacementUnit};
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, kReplacement, 1, 0, status);
}

ConverterHandle OpenWithReplacement(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    ConverterHandle converter(ucnv_open(name, &status));
    if (U_FAILURE(status) || !converter) return nullptr;
    ucnv_setToUCallBack(converter.get(), SubstituteReplacement, nullptr, nullptr, nullptr, &status);
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

// One byte through the converter on its own; false when it does not give exactly one unit.
bool DecodeSingleByte(UConverter* converter, uint8_t byte, char16_t& unit) {
    ucnv_resetToUnicode(converter);
    const char input = static_cast<char>(byte);
    const char* source = &input;
    UChar output[4];
    UChar* target = output;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter, &target, output + 4, &source, &input + 1, nullptr, true, &status);
    if (U_FAILURE(status) || target - output != 1) return false;
    unit = output[0];
    return true;
}

}  // namespace

char16_t FinishUnit(char16_t unit) { return unit == 0xFFFF ? kReplacementUnit : MapSymbolFontUnit(unit); }

CodepageDecoding::CodepageDecoding(int32_t codePage, bool twoByteDocument) {
    codePage_ = codePage == kCodePageSystem ? SystemCodePage() : codePage;
    if (codePage_ == kCodePageUnicodeBigEndian) {
        method_ = Method::Utf16BE;
        return;
    }
    if (codePage_ == kCodePageUnicode || twoByteDocument) {
        method_ = Method::Utf16LE;
        return;
    }
    if (codePage_ == kCodePageUtf8) {
        method_ = Method::Utf8;
        return;
    }
    converterName_ = CodepageConverterName(codePage_);
    if (converterName_ == nullptr)
        throw std::invalid_argument("unknown code page " + std::to_string(codePage));
    ConverterHandle converter = OpenWithReplacement(converterName_);
    if (!converter)
        throw std::invalid_argument("code page " + std::to_string(codePage) + " cannot be opened");
    method_ = Method::Converter;
    const UConverterType type = ucnv_getType(converter.get());
    const bool singleByte = ucnv_getMaxCharSize(converter.get()) == 1 &&
                            (type == UCNV_SBCS || type == UCNV_LATIN_1 || type == UCNV_US_ASCII);
    if (!singleByte) return;
    // A single-byte page is decoded through a table made once: a call into ICU per
    // character would cost more than the rest of the conversion.
    for (int byte = 0; byte < 256; ++byte) {
        char16_t unit = 0;
        if (!DecodeSingleByte(converter.get(), uint8_t(byte), unit)) return;
        table_[size_t(byte)] = IsReservedUnit(unit) ? kSkippedUnit : FinishUnit(unit);
    }
    asciiIdentity_ = true;
    for (int byte = 0; byte < 0x80; ++byte) {
        if (!IsReservedUnit(char16_t(byte)) && table_[size_t(byte)] != byte) asciiIdentity_ = false;
    }
    method_ = Method::Table;
}

ConverterHandle CodepageDecoding::OpenConverter() const {
    return converterName_ == nullptr ? nullptr : OpenWithReplacement(converterName_);
}

}  // namespace corvalin
