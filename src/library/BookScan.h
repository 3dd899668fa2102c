#pragma once

#include <filesystem>
#include <memory>

#include "library/VEMBrowseFile.h"

namespace corvalin {

class OpenBookLink;
class VEMFile;
class VEMOpt;

// How much of a book the library reads for its preview: the first source line of each of the
// first 299 paragraphs, cut at 128 characters.
constexpr int kPreviewParagraphEntries = 300;
constexpr int kPreviewCharsRead = 256;
constexpr int kPreviewCharsKept = 128;
// Fewer paragraph-table entries than this, and the book is not a text.
constexpr int kTextMinParagraphEntries = 32;

// Makes a library entry from a book file, or nothing when the file is not a book the library
// lists. A store in the earlier encoding is upgraded and a store whose digest alone is wrong
// is repaired, as the library always did; a file that passes no digest test is left untouched.
// The book being read (per `link`) is read through the reader's own file and store.
std::unique_ptr<VEMBrowseFile> ScanBook(const std::filesystem::path& path, OpenBookLink* link = nullptr);

// The parts of a scan, for the open book and for tests: the entry from a book whose header has
// passed the structure checks, with `store` its record store.
std::unique_ptr<VEMBrowseFile> EntryFromBook(const std::filesystem::path& path, VEMFile& file, VEMOpt& store);

// Whether a document of this name is never a text: programs, pictures, archives, and the
// description files that come with them.
bool NotTextSourceName(std::string_view sourceName);

}  // namespace corvalin
