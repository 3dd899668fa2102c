#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvalin {

// Decodes bytes written in a Windows code page (1250, 1251, 932, 10000 …) into UTF-16, for the
// converters whose documents name their own code page. The code page layer implements it.
class CodePageDecoder {
public:
    virtual ~CodePageDecoder() = default;
    // Appends the text of `bytes` in `codePage` to `out`; false, appending nothing, when the
    // code page is not known. Bytes the code page does not define become what its conversion
    // makes of them; a character cut at the end of `bytes` is decoded as far as it goes.
    virtual bool Decode(int codePage, std::span<const uint8_t> bytes, std::u16string& out) = 0;
};

}  // namespace corvalin
