#pragma once

#include <cstdint>
#include <filesystem>

#include "base/Progress.h"
#include "import/BuildBook.h"

namespace corvalin {

// Turns one document into a new book in `booksFolder` and returns the book's path. The
// folder is created when missing. Throws BookBuildError or FileError; the library is then
// left as it was.
std::filesystem::path ImportFile(const std::filesystem::path& documentPath,
                                 const std::filesystem::path& booksFolder, const BuildBookOptions& options,
                                 ProgressSink* progress = nullptr);

// How a plain-text document's bytes become text.
struct TextDecoding {
    int32_t codePage = 0;  // a number of the code page list (VEMCodepage); 0 is the system's
    bool detect = false;   // guess the page from the text, falling back to `codePage`
};

// The same, reading the document through the code page reader. A byte-order mark at the
// start wins over the page asked for. `usedCodePage`, when given, receives the page read.
// Throws std::invalid_argument for a code page that is not listed.
std::filesystem::path ImportFile(const std::filesystem::path& documentPath,
                                 const std::filesystem::path& booksFolder, const BuildBookOptions& options,
                                 const TextDecoding& decoding, ProgressSink* progress = nullptr,
                                 int32_t* usedCodePage = nullptr);

}  // namespace corvalin
