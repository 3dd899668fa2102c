// corvalin-convert [--books DIR] [--every-line-paragraph] FILE...
// Turns documents into books and prints the path of each book made.
#include <cstring>
#include <iostream>
#include <vector>

#include "import/ImportFile.h"
#include "platform/ProgramFolder.h"

namespace {

int Usage() {
    std::cerr << "usage: corvalin-convert [--books DIR] [--every-line-paragraph] FILE...\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path books;
    corvalin::BuildBookOptions options;
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--books") == 0 && i + 1 < argc) {
            books = argv[++i];
        } else if (std::strcmp(argv[i], "--every-line-paragraph") == 0) {
            options.everyLineParagraph = true;
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
            std::cout << corvalin::ImportFile(file, books, options).string() << '\n';
        } catch (const std::exception& error) {
            std::cerr << "corvalin-convert: " << file.string() << ": " << error.what() << '\n';
            status = 1;
        }
    }
    return status;
}
