#pragma once

#include <cstdint>
#include <filesystem>

#include "books/BookFile.h"

namespace corvalin {

// What a file the reader asked to open turns out to be, before anything of it is used.
enum class FileToOpen {
    Book,        // starts with a book's signature, whatever its name
    Document,    // anything else with bytes in it: a document to import
    Missing,     // no such file
    Folder,      // a folder, not a file
    Unreadable,  // there, but it cannot be opened or read
    Empty,       // no bytes at all
};
FileToOpen CheckFileToOpen(const std::filesystem::path& path);

// The open checks of a book, run on a copy of its file's state without keeping anything:
// the verdict, and the text length (the heading detection's progress range) when it is good.
// A state save cut short by a crash is completed first, as opening does.
struct BookProbe {
    Verdict check;
    int64_t textSpan = 0;
};
BookProbe ProbeBook(const std::filesystem::path& path);

}  // namespace corvalin
