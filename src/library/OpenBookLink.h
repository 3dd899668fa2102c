#pragma once

#include <filesystem>

namespace corvalin {

class VEMFile;
class VEMOpt;

// The library's view of the book being read, which the reader owns: its file is read through
// the reader's own handle, its author and title go into the reader's record store (the next
// state save writes them), it is never renamed under the reader, and it is closed before its
// file is deleted.
class OpenBookLink {
public:
    virtual ~OpenBookLink() = default;
    // Whether `path` is the book being read.
    virtual bool IsOpenBook(const std::filesystem::path& path) const = 0;
    virtual VEMFile& OpenBookFile() = 0;
    virtual VEMOpt& OpenBookStore() = 0;
    // Saves the reader's state and lets go of the book.
    virtual void CloseOpenBook() = 0;
};

// Whether two paths name the same file (both existing), or are the same path.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace corvalin
