#pragma once

// Real texts for the code page tests, and ICU to put them into a code page.

#include <unicode/ucnv.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "import/CodepageList.h"
#include "import/UnicodeSources.h"
#include "support/TestSupport.h"

namespace corvalin::test {

inline std::filesystem::path SharedFixture(const std::string& relative) {
    return std::filesystem::path(CORVALIN_SHARED_FIXTURES) / relative;
}

// Up to `limit` bytes of the fortune files of one language (Debian's fortunes-LANG packages,
// UTF-8), the files taken in name order; empty when the package is not installed.
inline std::string FortuneText(const std::string& folder, size_t limit) {
    const std::filesystem::path root = std::filesystem::path("/usr/share/games/fortunes") / folder;
    std::error_code error;
    if (!std::filesystem::is_directory(root, error)) return {};
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(root, error)) {
        const std::string name = entry.path().filename().string();
        // Plain files only: the .u8 names are links to them, .dat files are indexes.
        if (entry.is_regular_file() && !entry.is_symlink() && entry.path().extension() != ".dat")
            files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::string text;
    for (const auto& file : files) {
        if (text.size() >= limit) break;
        const auto bytes = ReadBytes(file);
        text.append(bytes.begin(), bytes.end());
    }
    if (text.size() > limit) text.resize(limit);
    return text;
}

// A gzip-compressed file (a manual page) as it reads; empty when it is missing.
inline std::string GunzippedText(const std::filesystem::path& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) return {};
    std::string text;
    char block[65536];
    for (int n; (n = gzread(file, block, sizeof block)) > 0;) text.append(block, size_t(n));
    gzclose(file);
    return text;
}

// Cuts UTF-8 text at a character boundary at most `limit` bytes in.
inline std::string CutUtf8(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    size_t end = limit;
    while (end > 0 && (uint8_t(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

// UTF-8 text in a code page, through ICU; a character the page lacks becomes "?".
inline std::vector<uint8_t> EncodeInCodePage(const std::string& utf8, int32_t codePage) {
    const std::u16string text = Utf8ToUtf16(utf8);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
        ucnv_open(CodepageConverterName(codePage), &status), &ucnv_close);
    if (U_FAILURE(status)) return {};
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    std::vector<uint8_t> bytes(text.size() * 4 + 16);
    const int32_t length = ucnv_fromUChars(converter.get(), reinterpret_cast<char*>(bytes.data()),
                                           int32_t(bytes.size()), text.data(), int32_t(text.size()), &status);
    if (U_FAILURE(status)) return {};
    bytes.resize(size_t(length));
    return bytes;
}

// The text with every character that one of `codePages` lacks replaced by "?", so that the
// same text can be written in each of them.
inline std::string CommonRepertoire(const std::string& utf8, std::initializer_list<int32_t> codePages) {
    std::u16string text = Utf8ToUtf16(utf8);
    for (int32_t page : codePages) {
        const auto bytes = EncodeInCodePage(Utf16ToUtf8(text), page);
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(
            ucnv_open(CodepageConverterName(page), &status), &ucnv_close);
        std::u16string back(bytes.size() * 2 + 2, u'\0');
        const int32_t n =
            ucnv_toUChars(converter.get(), back.data(), int32_t(back.size()),
                          reinterpret_cast<const char*>(bytes.data()), int32_t(bytes.size()), &status);
        back.resize(size_t(std::max(n, 0)));
        text = back;
    }
    return Utf16ToUtf8(text);
}

}  // namespace corvalin::test
