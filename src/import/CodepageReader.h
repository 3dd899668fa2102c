#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace corvalin {

class CodepageDecoding;

// Reads a document one UTF-16 unit at a time from any byte position, as the encoding
// dialog's preview does while it indexes and draws lines (`ReadChar` of the byte reader).
//  - Multi-byte pages take as many bytes as the page's lead-byte rules give for the character
//    (ICU decides, and turns what it cannot convert into U+FFFD). A character outside the BMP
//    comes as two calls: the high surrogate moves the position to the character's last
//    byte, the low one (read from there) past the character.
//  - The two UTF-16 forms read two bytes per unit; a single byte left at the end is not read.
//  - Units 1 and 2 are skipped (they mark preformatted blocks in converted markup); U+FEFF is
//    skipped only when it is the document's first character (a byte-order mark).
//  - Symbol-font units U+F020..U+F0FF become the Unicode characters they draw; U+FFFF (no
//    character, and the reader's end mark) becomes U+FFFD.
// Reading sequentially from a position the reader itself returned keeps the converter's
// state, so stateful pages (ISO-2022, UTF-7, EBCDIC with shifts) read right; any other
// position starts from the initial state.
class CodepageReader {
public:
    // The bytes must outlive the reader. `codePage` is a number of the code page list, or 0
    // for the system's; `twoByteDocument` reads every page as UTF-16 (little-endian, except
    // for -2), as a word processor's Unicode export is read. Throws std::invalid_argument for
    // a number that is not listed.
    CodepageReader(std::span<const uint8_t> document, int32_t codePage, bool twoByteDocument = false);
    ~CodepageReader();
    CodepageReader(CodepageReader&&) noexcept;
    CodepageReader& operator=(CodepageReader&&) noexcept;

    int64_t Length() const { return int64_t(document_.size()); }
    // The number actually read (0 resolved to the system's page).
    int32_t CodePage() const;

    // The unit at `position`, which moves past it; at the end (or from a position outside the
    // document) the position becomes Length() and the result is kEndOfDocument.
    char16_t ReadChar(int64_t& position);

    static constexpr char16_t kEndOfDocument = 0xFFFF;

private:
    class Converter;
    char16_t ReadTwoByteUnit(int64_t& position, bool bigEndian);
    char16_t ReadConverted(int64_t& position);
    char16_t ReadUtf8(int64_t& position);

    std::span<const uint8_t> document_;
    std::unique_ptr<CodepageDecoding> decoding_;
    std::unique_ptr<Converter> converter_;
    // The low half of a UTF-8 character outside the BMP, due at `pendingAt_` (the
    // character's last byte), from where it moves the reader to `pendingEnd_`.
    char16_t pendingLow_ = 0;
    int64_t pendingAt_ = -1;
    int64_t pendingEnd_ = -1;
};

// The markup converter's side of the buffer reader: the UTF-16 units converted so far, and a
// step that converts some more of the source and appends them (possibly none: a comment).
// Every step consumes some of the source, so that FullyConverted() comes true in the end.
class ConvertedUnits {
public:
    virtual ~ConvertedUnits() = default;
    virtual size_t UnitCount() const = 0;
    virtual char16_t UnitAt(size_t index) const = 0;
    virtual bool FullyConverted() const = 0;
    virtual void ConvertStep() = 0;
};

// `ReadChar` of a markup document, whose positions count units of the converted buffer:
// converts on demand and returns the unit at `position`, advancing it; returns 0 once the
// whole source is converted and read. After the last unit the position jumps to
// `sourceLength`, so a caller looping up to the source's length stops.
char16_t ReadBufferedChar(ConvertedUnits& buffer, int64_t sourceLength, int64_t& position);

}  // namespace corvalin
