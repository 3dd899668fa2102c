#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "base/Verdict.h"
#include "books/BookWriter.h"
#include "import/StructuredDocument.h"

namespace corvalin {

// Documents read by their structure rather than as text: EPUB (by its contents, whatever its
// name) and FictionBook (.fb2, .fb2.zip by name and contents).
enum class StructuredKind { None, Epub, FictionBook };
StructuredKind StructuredKindOf(const std::filesystem::path& path);

// The file name patterns of these documents, lower case, for open dialogs.
std::vector<std::string> StructuredDocumentPatterns();

// A book whose text is encrypted against copying (or locked by a password): it is refused.
class CopyProtectedError : public BookBuildError {
public:
    using BookBuildError::BookBuildError;
};

// Reads a document of `kind`; progress from 0 to `progressSpan`.
Verdict ReadStructuredDocument(const std::filesystem::path& path, StructuredKind kind,
                               StructuredDocument& document, ProgressSink* progress = nullptr,
                               int64_t progressSpan = 0);

// Builds the book of a document read by its structure in `booksFolder`: every line a
// paragraph, the document's chapters as the heading index, its author and title in the
// book's records; named "author - title.book" when it names an author, otherwise after the
// document's file name. Progress runs from `progressBase` to 4 × `documentBytes`. Throws
// BookBuildError and FileError as BuildBook does.
std::filesystem::path BuildStructuredBook(const StructuredDocument& document,
                                          const std::filesystem::path& documentPath,
                                          const std::filesystem::path& booksFolder, int64_t documentBytes,
                                          ProgressSink* progress = nullptr, int64_t progressBase = 0);

// The whole import of one EPUB or FictionBook document into `booksFolder`: nothing when
// `documentPath` is neither, otherwise the new book's path. A document that cannot be read
// throws BookBuildError with the reader's message (CopyProtectedError for an encrypted one);
// I/O failures throw FileError.
std::optional<std::filesystem::path> ImportStructuredDocument(const std::filesystem::path& documentPath,
                                                              const std::filesystem::path& booksFolder,
                                                              ProgressSink* progress = nullptr);

}  // namespace corvalin
