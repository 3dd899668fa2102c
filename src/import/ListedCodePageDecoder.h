#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>

#include "import/CodePageDecoder.h"

namespace corvalin {

class CodepageDecoding;

// The code page list's decoding for converters whose documents name their own code pages (an
// RTF document's \ansicpg and font character sets): any page of the list, decoded exactly as
// the code page reader decodes it. Each page's table or converter is made once per decoder.
class ListedCodePageDecoder final : public CodePageDecoder {
public:
    ListedCodePageDecoder();
    ~ListedCodePageDecoder() override;
    bool Decode(int codePage, std::span<const uint8_t> bytes, std::u16string& out) override;

private:
    const CodepageDecoding* DecodingOf(int codePage);
    std::map<int, std::unique_ptr<CodepageDecoding>> decodings_;
};

}  // namespace corvalin
