#include "import/BookNaming.h"

#include <algorithm>
#include <string>

#include "base/Utf.h"

namespace corvalin {
namespace {

// File names hold at most 255 bytes; the stem leaves room for " - 99999" and ".book".
constexpr size_t kMaxStemBytes = 200;

bool RemovedFromFileName(unsigned char c) {
    return c < 32 || c == '"' || c == '*' || c == ':' || c == '<' || c == '>' || c == '?' || c == '@' ||
           c == '\\' || c == '|' || c == '/';
}

std::string FileNameText(const std::u16string& text) {
    std::string kept;
    for (char c : Utf16ToUtf8(text))
        if (!RemovedFromFileName(static_cast<unsigned char>(c))) kept.push_back(c);
    const size_t first = kept.find_first_not_of(' ');
    const size_t last = kept.find_last_not_of(' ');
    return first == std::string::npos ? std::string() : kept.substr(first, last - first + 1);
}

std::filesystem::path FreeBookPath(const std::filesystem::path& booksFolder, const std::string& stem) {
    std::filesystem::path candidate = booksFolder / (stem + ".book");
    for (int number = 1; std::filesystem::exists(candidate); ++number) {
        const std::string suffix = (number < 10 ? " - 0" : " - ") + std::to_string(number);
        candidate = booksFolder / (stem + suffix + ".book");
    }
    return candidate;
}

}  // namespace

std::filesystem::path ChooseBookPath(const std::filesystem::path& booksFolder,
                                     const std::filesystem::path& documentPath) {
    std::string name = documentPath.filename().string();
    std::replace(name.begin(), name.end(), '.', '_');
    return FreeBookPath(booksFolder, name);
}

std::filesystem::path ChooseBookPathForAuthor(const std::filesystem::path& booksFolder,
                                              const std::u16string& author, const std::u16string& title) {
    const std::string authorText = FileNameText(author);
    if (authorText.empty()) return {};
    std::string stem = authorText + " - " + FileNameText(title);
    if (stem.size() > kMaxStemBytes) {
        size_t cut = kMaxStemBytes;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80) --cut;
        stem.resize(cut);
    }
    return FreeBookPath(booksFolder, stem);
}

}  // namespace corvalin
