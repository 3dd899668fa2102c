// Arbitrary bytes through the code page readers in a few kinds of page and through
// detection. The random-access reader read from the start must give what the forward source
// gives, no position may leave the document, and no reserved or Symbol-font unit may reach
// the text.
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzRequire.h"
#include "import/CodepageDetection.h"
#include "import/CodepageReader.h"
#include "import/CodepageSource.h"
#include "import/SymbolMapping.h"

using namespace corvalin;

namespace {

// Single-byte, double-byte, multi-byte with four-byte characters, stateful, UTF-8, UTF-7 and
// the two UTF-16 forms.
constexpr int32_t kPages[] = {1251, 866,   20866, 37,    20127, 932,   936, 949,
                              950,  54936, 51932, 50220, 65001, 65000, -1,  -2};

bool ReservedOrSymbol(char16_t unit) { return unit == 1 || unit == 2 || MapSymbolFontUnit(unit) != unit; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > 64 * 1024) return 0;
    const int32_t page = kPages[data[0] % std::size(kPages)];
    const bool twoByteDocument = (data[1] & 0x80) != 0;
    const std::vector<uint8_t> bytes(data + 2, data + size);

    std::u16string forward;
    auto source = MakeCodepageSource(std::vector<uint8_t>(bytes), page, twoByteDocument);
    // Block sizes from the input, so that carries across calls are exercised.
    const size_t block = 2 + data[1] % 61;
    std::vector<char16_t> units(block);
    while (const size_t n = source->ReadUnits(units.data(), block)) {
        Require(n <= block);
        forward.append(units.data(), n);
    }

    CodepageReader reader(bytes, page, twoByteDocument);
    std::u16string read;
    int64_t position = 0;
    while (position < reader.Length()) {
        const int64_t before = position;
        const char16_t unit = reader.ReadChar(position);
        Require(position > before && position <= reader.Length());
        if (unit == CodepageReader::kEndOfDocument && position == reader.Length()) break;
        read += unit;
    }
    Require(read == forward);
    for (char16_t unit : forward) Require(!ReservedOrSymbol(unit));

    // Jumps to arbitrary positions, as a preview starting at a line start does.
    for (size_t i = 0; i + 1 < bytes.size() && i < 64; i += 2) {
        int64_t at = (int64_t(bytes[i]) << 8 | bytes[i + 1]) % (int64_t(bytes.size()) + 3) - 1;
        for (int k = 0; k < 4; ++k) {
            const char16_t unit = reader.ReadChar(at);
            Require(at >= 0 && at <= reader.Length());
            Require(unit == CodepageReader::kEndOfDocument || !ReservedOrSymbol(unit));
        }
    }

    if (const auto detected = DetectCodepage(bytes)) {
        Require(detected->confidence >= 0 && detected->confidence <= 100);
        MakeCodepageSource(std::vector<uint8_t>(bytes), detected->number);  // must be a listed page
    }
    const double plausibility = CyrillicPlausibility(forward);
    Require(plausibility >= 0 && plausibility <= 1);
    return 0;
}
