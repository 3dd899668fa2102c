#pragma once

#include <filesystem>

namespace corvalin {

// The book a document becomes: its file name with every "." turned into "_", then ".book";
// when that exists, " - 01", " - 02" … " - 10" … until the name is free.
std::filesystem::path ChooseBookPath(const std::filesystem::path& booksFolder,
                                     const std::filesystem::path& documentPath);

}  // namespace corvalin
