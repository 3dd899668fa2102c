#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/Progress.h"
#include "books/BookText.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"

namespace corvalin {

// Shape of a paragraph's first source line.
enum HeadingShape : int32_t {
    kShapeContinues = 1,     // the paragraph goes on after the first source line
    kShapeSentenceEnd = 2,   // a word after the first ends in ! . : ; ?
    kShapeDialogueDash = 4,  // the paragraph opens with the dialogue dash word
    kShapeLaterDigit = 8,    // a word after the first begins with a digit
    kShapeFirstDigit = 16,   // the first word begins with a digit
};

struct VEMChapterObj {
    std::u16string headingText;  // the words joined by single spaces
    int32_t paragraph = 0;
    int32_t wordCount = 0;
    int32_t shapeFlags = 0;
};
using VEMChapter = std::vector<VEMChapterObj>;

// Looks at paragraph `paragraph` spanning [start, end) and returns it when its first source line
// is shaped like a heading.
std::optional<VEMChapterObj> ExamineParagraph(VEMFile& file, int32_t paragraph, int64_t start, int64_t end);
// The same over the paragraph's items as a reader gives them. Only the first source line is
// ever looked at, so a reader that holds just that line (with its line end) decides alike.
// Building a book needs only the word count: Drop leaves the heading's text empty.
enum class HeadingWords { Keep, Drop };
std::optional<VEMChapterObj> ExamineParagraph(TextItemReader& reader, int32_t paragraph,
                                              HeadingWords words = HeadingWords::Keep);

// What the heading index keeps of a heading.
struct HeadingMark {
    int32_t paragraph = 0;
    int32_t wordCount = 0;
};

// Replaces the heading index (record 2306) of a book's record store.
void StoreHeadingIndex(VEMOpt& store, const VEMChapter& chapters);
void StoreHeadingIndex(VEMOpt& store, std::span<const HeadingMark> headings);

// The heading paragraphs of an open book, read from its file. Progress runs from `base` to
// `base + span` over the paragraphs.
VEMChapter FindHeadings(VEMFile& file, int64_t span, int64_t base, ProgressSink* progress);

// Rebuilds the heading index (record 2306) of an open book and rewrites its record store.
// Progress runs from `base` to `base + span` over the paragraphs.
VEMChapter DetectHeadings(VEMFile& file, VEMOpt& store, int64_t span, int64_t base, ProgressSink* progress);

}  // namespace corvalin
