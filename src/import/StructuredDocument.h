#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "import/BuildBook.h"

namespace corvalin {

// A document read by an importer that knows its structure (EPUB, FictionBook) instead of
// guessing it from lines and indents: one line per block (paragraph, heading, verse, table
// cell), each ended by a line feed, preformatted blocks between kPreformattedStart and
// kPreformattedEnd; the chapters the document names itself; the author and title its
// metadata gives. Built into a book with "every line - new paragraph".
struct StructuredDocument {
    std::u16string text;
    // Ascending, at most one per line.
    std::vector<ChapterStart> chapters;
    std::u16string author;
    std::u16string title;
};

// Appends `chapter` for the line starting at `lineStart` unless a chapter already starts
// there; chapters must come in text order.
void AddChapter(StructuredDocument& document, size_t lineStart);

// The most bytes a packed document of `fileBytes` bytes (an EPUB, a zipped FictionBook) may
// inflate to, all its members together; a member or a book that would pass it is refused as
// damaged (a ZIP bomb) instead of being inflated.
uint64_t InflateLimitOf(uint64_t fileBytes);

}  // namespace corvalin
