#pragma once

#include <filesystem>
#include <string>

namespace corvalin {

// The book a document becomes: its file name with every "." turned into "_", then ".book";
// when that exists, " - 01", " - 02" … " - 10" … until the name is free.
std::filesystem::path ChooseBookPath(const std::filesystem::path& booksFolder,
                                     const std::filesystem::path& documentPath);

// The book of a document that names its own author: "author - title.book", without the
// characters a book's file name never holds (control characters, " * : < > ? @ \\ | and the path
// separator) and cut to a length every file system takes; numbered like ChooseBookPath when
// taken. Empty when nothing of the author is left.
std::filesystem::path ChooseBookPathForAuthor(const std::filesystem::path& booksFolder,
                                              const std::u16string& author, const std::u16string& title);

}  // namespace corvalin
