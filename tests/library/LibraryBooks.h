#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "base/Utf.h"
#include "import/BuildBook.h"
#include "import/UnicodeSources.h"
#include "support/TestSupport.h"

namespace corvalin::test {

// Writes a book made from UTF-8 `text` as `booksFolder`/`fileName`, as the import would, with
// `sourceName` as the imported document's name.
inline std::filesystem::path MakeLibraryBook(const std::filesystem::path& booksFolder,
                                             const std::string& fileName, const std::string& text,
                                             const std::string& sourceName = "source.txt",
                                             bool everyLineParagraph = false) {
    std::filesystem::create_directories(booksFolder);
    auto source = MakeUnicodeSource(std::vector<uint8_t>(text.begin(), text.end()), UnicodeForm::Utf8);
    BuildBookOptions options;
    options.everyLineParagraph = everyLineParagraph;
    const std::filesystem::path path = booksFolder / fileName;
    BuildBook(*source, path, int64_t(text.size()), Utf8ToUtf16(sourceName), options);
    return path;
}

// `paragraphs` paragraphs of ordinary prose, two source lines each, separated by blank lines;
// `seed` varies the words so that different books differ.
inline std::string Prose(int paragraphs, int seed = 0) {
    static const char* const kWords[] = {"the",   "river", "ran",    "past",    "old",     "mill",  "where",
                                         "small", "boats", "were",   "kept",    "through", "long",  "winter",
                                         "and",   "every", "spring", "brought", "new",     "voices"};
    std::string text;
    for (int p = 0; p < paragraphs; ++p) {
        for (int line = 0; line < 2; ++line) {
            for (int w = 0; w < 9; ++w) {
                if (w > 0) text += ' ';
                text += kWords[(p * 7 + line * 3 + w * 5 + seed) % 20];
            }
            text += '\n';
        }
        text += '\n';
    }
    return text;
}

// A title page (lines separated by blank lines) followed by prose.
inline std::string BookText(const std::vector<std::string>& headLines, int seed = 0, int paragraphs = 40) {
    std::string text;
    for (const std::string& line : headLines) text += line + "\n\n";
    return text + Prose(paragraphs, seed);
}

}  // namespace corvalin::test
