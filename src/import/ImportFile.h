#pragma once

#include <filesystem>

#include "books/Progress.h"
#include "import/BuildBook.h"

namespace corvalin {

// Turns one document into a new book in `booksFolder` and returns the book's path. The
// folder is created when missing. Throws BookBuildError or VEMFileError; the library is then
// left as it was.
std::filesystem::path ImportFile(const std::filesystem::path& documentPath,
                                 const std::filesystem::path& booksFolder,
                                 const BuildBookOptions& options, ProgressSink* progress = nullptr);

}  // namespace corvalin
