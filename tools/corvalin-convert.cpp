// corvalin-convert [--books DIR] [--every-line-paragraph] [--codepage N|auto] FILE...
// Turns documents into books and prints the path of each book made. Plain text is read in the
// code page N of the code page list (-1 and -2 for UTF-16 LE/BE; default: the system's), or
// in the page guessed from the text with "auto"; a byte-order mark wins over either.
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "import/CodepageList.h"
#include "import/ImportFile.h"
#include "platform/ProgramFolder.h"

namespace {

int Usage() {
    std::cerr
        << "usage: corvalin-convert [--books DIR] [--every-line-paragraph] [--codepage N|auto] FILE...\n";
    return 1;
}

bool ParseCodePage(const char* text, corvalin::TextDecoding& decoding) {
    if (std::strcmp(text, "auto") == 0) {
        decoding.detect = true;
        return true;
    }
    char* end = nullptr;
    const long number = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || number < -2 || number > 65535) return false;
    if (number != corvalin::kCodePageUnicode && number != corvalin::kCodePageUnicodeBigEndian &&
        corvalin::CodepageConverterName(int32_t(number)) == nullptr) {
        return false;
    }
    decoding.codePage = int32_t(number);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path books;
    corvalin::BuildBookOptions options;
    corvalin::TextDecoding decoding;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--books") == 0 && i + 1 < argc) {
            books = argv[++i];
        } else if (std::strcmp(argv[i], "--every-line-paragraph") == 0) {
            options.everyLineParagraph = true;
        } else if (std::strcmp(argv[i], "--codepage") == 0 && i + 1 < argc) {
            if (!ParseCodePage(argv[++i], decoding)) {
                std::cerr << "corvalin-convert: unknown code page " << argv[i] << '\n';
                return Usage();
            }
        } else if (argv[i][0] == '-' && argv[i][1] == '-') {
            return Usage();
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) return Usage();
    if (books.empty()) books = corvalin::ProgramFolder() / "Books";

    int status = 0;
    for (const auto& file : files) {
        try {
            std::cout << corvalin::ImportFile(file, books, options, decoding).string() << '\n';
        } catch (const std::exception& error) {
            std::cerr << "corvalin-convert: " << file.string() << ": " << error.what() << '\n';
            status = 1;
        }
    }
    return status;
}
