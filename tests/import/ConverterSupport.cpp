#include "ConverterSupport.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "import/UnicodeSources.h"

namespace corvalin::test {
namespace {

struct OwnedUnits {
    std::u16string units;
};

// Units handed out a few at a time, as a slow decoder would; it keeps its own copy.
class PieceSource : private OwnedUnits, public UnitsTextSource {
public:
    PieceSource(std::u16string text, size_t piece)
        : OwnedUnits{std::move(text)}, UnitsTextSource(units, int64_t(2 * units.size()), piece) {}
};

bool IsWordSpace(char16_t c) { return c <= 0x20 || c == 0xA0; }

bool IsTableRule(std::u16string_view word) {
    return word.find_first_not_of(u"|-+") == std::u16string_view::npos;
}

}  // namespace

bool IcuDecoder::Decode(int codePage, std::span<const uint8_t> bytes, std::u16string& out) {
    UErrorCode error = U_ZERO_ERROR;
    const std::string name = "windows-" + std::to_string(codePage);
    UConverter* converter = ucnv_open(name.c_str(), &error);
    if (U_FAILURE(error)) return false;
    std::u16string units(2 * bytes.size() + 2, u'\0');
    const int32_t length =
        ucnv_toUChars(converter, units.data(), int32_t(units.size()),
                      reinterpret_cast<const char*>(bytes.data()), int32_t(bytes.size()), &error);
    ucnv_close(converter);
    if (U_FAILURE(error)) return false;
    out.append(units.data(), size_t(length));
    return true;
}

std::u16string IcuDecode(const std::vector<uint8_t>& bytes, int codePage) {
    IcuDecoder decoder;
    std::u16string out;
    if (!decoder.Decode(codePage, bytes, out))
        throw std::runtime_error("no ICU converter for " + std::to_string(codePage));
    return out;
}

std::unique_ptr<TextSource> UnitsSource(std::u16string units, size_t piece) {
    return std::make_unique<PieceSource>(std::move(units), std::max<size_t>(piece, 1));
}

std::filesystem::path SharedFixtures(const std::string& kind) {
    const std::filesystem::path folder = std::filesystem::path(CORVALIN_SHARED_FIXTURES) / kind;
    return std::filesystem::is_directory(folder) ? folder : std::filesystem::path();
}

int Run(const std::string& commandLine) {
    const int status = std::system(commandLine.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) { return Run("command -v " + name + " >/dev/null 2>&1") == 0; }

std::vector<std::vector<std::u16string>> WordLines(std::u16string_view text) {
    std::vector<std::vector<std::u16string>> lines(1);
    std::u16string word;
    for (char16_t c : text) {
        if (!IsWordSpace(c)) {
            word += c;
            continue;
        }
        if (!word.empty() && !IsTableRule(word)) lines.back().push_back(std::move(word));
        word.clear();
        if (c == u'\n' && !lines.back().empty()) lines.emplace_back();
    }
    if (!word.empty() && !IsTableRule(word)) lines.back().push_back(std::move(word));
    if (lines.back().empty()) lines.pop_back();
    return lines;
}

std::vector<std::u16string> Words(std::u16string_view text) {
    std::vector<std::u16string> words;
    for (auto& line : WordLines(text)) words.insert(words.end(), line.begin(), line.end());
    return words;
}

std::string Escaped(std::u16string_view text) {
    std::u16string shown;
    for (char16_t c : text) {
        if (c < 0x20 && c != u'\n') {
            static const char kHex[] = "0123456789ABCDEF";
            shown += u"\\x";
            shown += char16_t(kHex[c >> 4]);
            shown += char16_t(kHex[c & 15]);
        } else {
            shown += c;
        }
    }
    return Utf16ToUtf8(shown);
}

namespace {

std::string LineText(const std::vector<std::u16string>& line) {
    std::u16string joined;
    for (const auto& word : line) joined += (joined.empty() ? u"" : u" ") + word;
    return Utf16ToUtf8(joined);
}

}  // namespace

std::string CompareWordsAndLines(std::u16string_view expected, std::u16string_view actual) {
    const auto want = WordLines(expected);
    const auto got = WordLines(actual);
    for (size_t i = 0; i < std::min(want.size(), got.size()); ++i) {
        if (want[i] != got[i]) {
            return "line " + std::to_string(i + 1) + ": expected \"" + LineText(want[i]) + "\", got \"" +
                   LineText(got[i]) + "\"";
        }
    }
    if (want.size() != got.size())
        return "expected " + std::to_string(want.size()) + " lines, got " + std::to_string(got.size());
    return "";
}

std::vector<std::string> LinesNotFoundInOrder(std::u16string_view expected, std::u16string_view actual) {
    std::vector<std::u16string> gotWords;
    for (const auto& line : WordLines(actual)) gotWords.insert(gotWords.end(), line.begin(), line.end());
    std::vector<std::string> missing;
    auto from = gotWords.begin();
    for (const auto& line : WordLines(expected)) {
        const auto found = std::search(from, gotWords.end(), line.begin(), line.end());
        if (found == gotWords.end()) {
            missing.push_back(LineText(line));
        } else {
            from = found + ptrdiff_t(line.size());
        }
    }
    return missing;
}

}  // namespace corvalin::test
