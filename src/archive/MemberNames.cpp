#include "archive/MemberNames.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include "base/Utf.h"

namespace corvalin {
namespace {

bool IsDeviceName(std::string_view name) {
    // Windows reserves these with any extension, in any case.
    const std::string_view stem = name.substr(0, name.find('.'));
    std::string upper(stem);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    while (!upper.empty() && upper.back() == ' ') upper.pop_back();
    static constexpr std::array<std::string_view, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(kPlain.begin(), kPlain.end(), upper) != kPlain.end()) return true;
    return upper.size() == 4 && (upper.starts_with("COM") || upper.starts_with("LPT")) && upper[3] >= '1' &&
           upper[3] <= '9';
}

}  // namespace

std::optional<std::string> SafeMemberFileName(std::string_view storedName) {
    const size_t slash = storedName.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? storedName : storedName.substr(slash + 1);
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        name.remove_prefix(2);
    if (name.empty() || name == "." || name == "..") return std::nullopt;
    if (std::any_of(name.begin(), name.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }))
        return std::nullopt;
    if (IsDeviceName(name)) return std::nullopt;
    return std::string(name);
}

std::string MemberNameToUtf8(std::string_view storedName) {
    if (IsValidUtf8(storedName)) return std::string(storedName);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open("ibm-437", &status), ucnv_close);
    if (U_FAILURE(status)) return std::string(storedName.size(), '_');
    UErrorCode utf8Status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> utf8(ucnv_open("UTF-8", &utf8Status), ucnv_close);
    if (U_FAILURE(utf8Status)) return std::string(storedName.size(), '_');
    // Every byte of code page 437 is one character of at most three UTF-8 bytes.
    std::string out(storedName.size() * 3 + 1, '\0');
    char* target = out.data();
    const char* source = storedName.data();
    ucnv_convertEx(utf8.get(), converter.get(), &target, out.data() + out.size(), &source,
                   storedName.data() + storedName.size(), nullptr, nullptr, nullptr, nullptr, true, true,
                   &status);
    if (U_FAILURE(status)) return std::string(storedName.size(), '_');
    out.resize(size_t(target - out.data()));
    return out;
}

}  // namespace corvalin
