#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/Progress.h"
#include "import/TextSource.h"

namespace corvalin {

// What the first pass learns of one source line. A large text has millions of lines, so the
// record is kept to 16 bytes.
struct LineRecord {
    size_t end : 62 = 0;  // unit position after the line's line feed
    bool startsParagraph : 1 = false;
    bool hasText : 1 = false;    // a unit above 32 occurs on the line
    int32_t indent = 0;          // leading white space in columns
    int32_t regularIndent = -1;  // the indent shared with neighbouring lines, or -1
};

// The whole document as UTF-16 units, followed by a few zero units of slack; the builder
// makes two passes over it.
struct DecodedText {
    struct Free {
        void operator()(char16_t* units) const;
    };
    std::unique_ptr<char16_t[], Free> units;
    size_t size = 0;
    std::u16string_view view() const { return {units.get(), size}; }
};
DecodedText ReadAllUnits(TextSource& source);

// Reads the source line starting at `position`: the leading white space sets `indent` (units 1
// and 2 there switch `preformatted` off and on), `hasText` tells whether a unit above 32
// follows. Returns the position after the line's line feed.
size_t ReadLine(std::u16string_view text, size_t position, bool& preformatted, bool& hasText,
                int32_t& indent);

// The rules that turn lines and indents into paragraphs, in the order they run.
void AssignRegularIndents(std::span<LineRecord> lines);
int32_t UsualIndent(std::span<const LineRecord> lines);
void MarkParagraphStarts(std::span<LineRecord> lines, int32_t usualIndent);

// A chapter a document names itself (an EPUB's table of contents, a FictionBook's section
// titles): its heading is the first paragraph with text that starts at or after
// `unitPosition`, a unit position in the document's decoded text.
struct ChapterStart {
    size_t unitPosition = 0;
    // How many of that paragraph's first-line words are its heading; -1 for all of them.
    int32_t headingWords = -1;
};

struct BuildBookOptions {
    bool everyLineParagraph = false;  // "Every line - new paragraph"
    // The document's own chapters, in ascending order, as the heading index instead of the
    // guess from the paragraphs' shapes; none given means the guess.
    std::optional<std::vector<ChapterStart>> chapters;
    // The author and title the document names, written into records 48 and 49 when not empty.
    std::u16string author;
    std::u16string title;
};

// Converts a document into a book at `bookPath`. The book is written beside its final name
// and renamed into place only when complete, so a failure leaves no partial book behind.
// Progress runs from 0 to 4 × the source size. Throws BookBuildError for a document that
// cannot become a book and FileError for I/O failures.
void BuildBook(TextSource& source, const std::filesystem::path& bookPath, int64_t sourceSize,
               const std::u16string& sourceName, const BuildBookOptions& options,
               ProgressSink* progress = nullptr);

}  // namespace corvalin
