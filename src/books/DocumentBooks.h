#pragma once

#include <filesystem>

namespace corvalin {

// The book in `booksFolder` that was made from a document of this file name and size, as the
// book's records of its source say; empty when none was. Opening a document a second time from
// the desktop then reopens its book instead of importing it again. Files that are not books,
// or whose records cannot be read, are passed over.
std::filesystem::path FindBookOfDocument(const std::filesystem::path& booksFolder,
                                         const std::filesystem::path& document);

}  // namespace corvalin
