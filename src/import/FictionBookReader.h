#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "base/Verdict.h"
#include "import/StructuredDocument.h"

namespace corvalin {

// True when `head` (the first bytes of a file) starts like a FictionBook document: XML whose
// root element is <FictionBook>, in any encoding that keeps ASCII (or UTF-16).
bool LooksLikeFictionBook(std::span<const uint8_t> head);

// What a FictionBook file is by its name and contents: an .fb2 file that looks like one, or
// an .fb2.zip file that is a ZIP archive with an .fb2 member.
enum class FictionBookFile { None, Plain, Zipped };
FictionBookFile FictionBookFileKind(const std::filesystem::path& path);

// Reads a FictionBook 2 document in the encoding its XML declaration names (through the code
// page list). The text: the main <body> first, then the other bodies (notes, comments) in the
// order they stand; in each its title, epigraphs and sections in order. Every <p>, verse,
// subtitle, text author, date and table cell is a line; <empty-line/> an empty one; stanzas
// are set apart by an empty line; images and binaries are passed over. The chapters are the
// lines of the titles of the bodies and of the main body's sections (a note's title, its
// number, is no chapter). Author ("first middle last", or the nickname) and title come from
// <title-info>.
Verdict ReadFictionBook(std::span<const uint8_t> bytes, StructuredDocument& document);

// The same from a file: an .fb2, or the first .fb2 member of a ZIP archive, inflated no
// further than InflateLimitOf the archive's size allows.
Verdict ReadFictionBookFile(const std::filesystem::path& path, StructuredDocument& document);

}  // namespace corvalin
