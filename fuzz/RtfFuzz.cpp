// Converts arbitrary bytes as RTF, decoding code pages through ICU as the program's code page
// layer would, and checks the text's bounds.
#include <unicode/ucnv.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "import/RtfToText.h"

using namespace corvalin;

namespace {

class IcuDecoder : public CodePageDecoder {
public:
    ~IcuDecoder() override {
        for (auto& [number, converter] : converters_)
            if (converter) ucnv_close(converter);
    }
    bool Decode(int codePage, std::span<const uint8_t> bytes, std::u16string& out) override {
        auto [found, added] = converters_.try_emplace(codePage, nullptr);
        if (added) {
            UErrorCode error = U_ZERO_ERROR;
            found->second = ucnv_open(("windows-" + std::to_string(codePage)).c_str(), &error);
            if (U_FAILURE(error)) found->second = nullptr;
        }
        if (!found->second) return false;
        UErrorCode error = U_ZERO_ERROR;
        std::u16string units(2 * bytes.size() + 2, u'\0');
        const int32_t length =
            ucnv_toUChars(found->second, units.data(), int32_t(units.size()),
                          reinterpret_cast<const char*>(bytes.data()), int32_t(bytes.size()), &error);
        if (U_FAILURE(error)) return false;
        out.append(units.data(), size_t(length));
        return true;
    }

private:
    std::map<int, UConverter*> converters_;
};

void Require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 256 * 1024) return 0;
    static IcuDecoder decoder;
    std::u16string text;
    const Verdict verdict = RtfToText({data, size}, decoder, text);
    Require(verdict.Ok() || !verdict.message.empty());
    Require(text.size() <= 2 * size);
    for (char16_t unit : text) Require(unit > 2);
    return 0;
}
