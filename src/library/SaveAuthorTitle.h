#pragma once

#include <filesystem>
#include <string>

#include "library/VEMBrowseFile.h"

namespace corvalin {

class OpenBookLink;

// The file name a book takes: "author - title.book" with the characters a file name cannot
// hold removed, or without an author the imported document's name with its dots made "_".
std::string BookFileName(const VEMBrowseFile& entry);

// `wanted` in `folder`, or when another file has that name, "NAME - 01.book", "NAME - 02.book"
// ... whichever is free first. `current` (the book's own file) counts as free.
std::filesystem::path FreeBookPath(const std::filesystem::path& folder, const std::string& wanted,
                                   const std::filesystem::path& current);

enum class SaveOutcome {
    NotModified,  // nothing to write
    Gone,         // the file is no longer there
    OpenBook,     // the book being read: its records changed in the reader's store
    NotWritten,   // not a sound book, or it could not be written: the file keeps what it had
    Saved,        // written; renamed when its name was not the one it should have
};

// Writes the author and title of a modified entry into its book and gives the file its name.
// The book being read is never renamed under the reader: its records go into the reader's
// store (the next state save writes them) and the entry stays modified, so that the file is
// written and renamed once the book is closed. Renaming never replaces another file.
SaveOutcome SaveAuthorTitle(VEMBrowseFile& entry, OpenBookLink* link = nullptr);

}  // namespace corvalin
