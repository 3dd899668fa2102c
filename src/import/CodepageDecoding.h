#pragma once

#include <unicode/ucnv.h>

#include <array>
#include <cstdint>
#include <memory>

#include "base/Utf.h"

namespace corvalin {

// What both code page readers (the random-access one of the preview and the forward source
// of the conversion) share: how the bytes of one code page become UTF-16 units, and what is
// done with the units afterwards.

// Units that never reach the text: 1 and 2 mark preformatted blocks in converted markup, so
// a document's own 1 and 2 are dropped; a table entry holding this value gives nothing.
constexpr char16_t kSkippedUnit = 0xFFFF;
constexpr char16_t kByteOrderMark = 0xFEFF;

inline bool IsReservedUnit(char16_t unit) { return unit == 1 || unit == 2; }

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using ConverterHandle = std::unique_ptr<UConverter, ConverterCloser>;

class CodepageDecoding {
public:
    enum class Method {
        Utf16LE,    // two bytes, low byte first, per unit
        Utf16BE,    // two bytes, high byte first
        Utf8,       // our own decoder, with the rules of the project's other UTF-8 reader
        Table,      // one byte per character through a 256-entry table
        Converter,  // an ICU converter: multi-byte and stateful pages
    };

    // `codePage` is a listed number, or 0 for the system's. A document that is UTF-16 by
    // nature (a word processor's text export) reads two bytes per unit whatever the page,
    // big-endian only for -2. Throws std::invalid_argument for a number that is not listed.
    CodepageDecoding(int32_t codePage, bool twoByteDocument);

    Method method() const { return method_; }
    int32_t codePage() const { return codePage_; }
    // Byte -> unit for Method::Table, with the reserved units made kSkippedUnit and
    // Symbol-font units already mapped.
    const std::array<char16_t, 256>& table() const { return table_; }
    // True when the table maps every byte below 0x80 to itself (apart from 1 and 2).
    bool asciiIdentity() const { return asciiIdentity_; }
    // A fresh converter for Method::Converter that turns every byte sequence it cannot
    // convert into U+FFFD.
    ConverterHandle OpenConverter() const;

private:
    Method method_ = Method::Converter;
    int32_t codePage_ = 0;
    const char* converterName_ = nullptr;
    std::array<char16_t, 256> table_{};
    bool asciiIdentity_ = false;
};

// A decoded unit as the text receives it: Symbol-font units mapped; U+FFFF, which is no
// character and which the preview's reader returns for the end of the document, becomes
// U+FFFD; anything else unchanged.
char16_t FinishUnit(char16_t unit);

}  // namespace corvalin
