#include "import/BuildBook.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <limits>
#include <new>
#include <system_error>

#include "base/HugePageAllocator.h"
#include "books/BookFile.h"
#include "books/BookText.h"
#include "books/BookWriter.h"
#include "books/HeadingDetection.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr int kMarkPreformattedOff = 1;
constexpr int kMarkPreformattedOn = 2;
constexpr int kTab = 9;
constexpr int kLineFeed = 10;
constexpr int kCarriageReturn = 13;
constexpr int kSpace = 32;
constexpr int kTabColumns = 8;
constexpr int kIndentHistogramSize = 64;
constexpr int kNewBookClusterShift = 15;
constexpr int kNewBookClusters = 3;
constexpr size_t kProgressEveryUnits = 1 << 16;

int TabAdvance(int64_t column) { return kTabColumns - int(column % kTabColumns); }

// The rest of a line after its leading white space: finds the line feed and notes whether a
// unit above 32 comes before it. This scan touches every unit of the document, so it looks at
// eight units at a time where the processor allows.
size_t ScanRestOfLine(std::u16string_view text, size_t position, bool& hasText) {
    const size_t end = text.size();
#if defined(__SSE2__)
    const __m128i lineFeed = _mm_set1_epi16(kLineFeed);
    const __m128i space = _mm_set1_epi16(kSpace);
    const __m128i zero = _mm_setzero_si128();
    while (end - position >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + position));
        const unsigned feeds = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(units, lineFeed)));
        // A unit above 32 leaves something after a saturating subtraction of 32.
        const unsigned blank =
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(units, space), zero)));
        const unsigned text16 = ~blank & 0xFFFFu;
        if (feeds) {
            const unsigned before = (1u << __builtin_ctz(feeds)) - 1;
            if (text16 & before) hasText = true;
            return position + __builtin_ctz(feeds) / 2 + 1;
        }
        if (text16) hasText = true;
        position += 8;
    }
#endif
    for (; position < end; ++position) {
        const char16_t c = text[position];
        if (c == kLineFeed) return position + 1;
        if (c > kSpace) hasText = true;
    }
    return end;
}

// Progress is counted in source bytes; positions are in decoded units.
int64_t SourcePosition(size_t unitPosition, size_t unitCount, int64_t sourceLength) {
    return unitCount == 0 ? 0 : int64_t(double(unitPosition) / double(unitCount) * double(sourceLength));
}

using LineRecords = std::vector<LineRecord, HugePageAllocator<LineRecord>>;
static_assert(sizeof(LineRecord) == 16);

LineRecords ReadLines(std::u16string_view text, bool everyLineParagraph, int64_t sourceLength,
                      ProgressSink* progress) {
    LineRecords lines;
    // Counting the line feeds first costs far less than moving a growing array of records.
    lines.reserve(size_t(std::count(text.begin(), text.end(), char16_t(kLineFeed))) + 1);
    bool preformatted = everyLineParagraph;
    size_t reported = 0;
    for (size_t position = 0; position < text.size();) {
        LineRecord line;
        line.startsParagraph = preformatted;
        bool hasText = false;
        line.end = ReadLine(text, position, preformatted, hasText, line.indent);
        line.hasText = hasText;
        lines.push_back(line);
        position = line.end;
        if (position - reported >= kProgressEveryUnits) {
            ReportProgress(progress, SourcePosition(position, text.size(), sourceLength));
            reported = position;
        }
    }
    return lines;
}

// Where the word starting at `position` ends: at the first unit of 32 or below, after
// kMaxWordUnits units, or at the line end.
size_t WordEnd(std::u16string_view text, size_t position, size_t lineEnd) {
    const size_t limit = std::min(lineEnd, position + kMaxWordUnits);
#if defined(__SSE2__)
    const __m128i space = _mm_set1_epi16(kSpace);
    const __m128i zero = _mm_setzero_si128();
    while (limit - position >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + position));
        const unsigned blank =
            unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_subs_epu16(units, space), zero)));
        if (blank) return position + __builtin_ctz(blank) / 2;
        position += 8;
    }
#endif
    while (position < limit && text[position] > kSpace) ++position;
    return position;
}

// Pass 2: the source line [position, lineEnd) into items; returns the word items written.
int WriteLineItems(std::u16string_view text, size_t position, size_t lineEnd, bool& firstWordPending,
                   BookWriter& writer) {
    int64_t column = 0;
    int64_t run = 0;
    int words = 0;
    while (position < lineEnd) {
        const char16_t c = text[position];
        if (c <= kSpace) {
            if (c == kSpace) {
                ++column, ++run;
            } else if (c == kTab) {
                const int advance = TabAdvance(column);
                column += advance, run += advance;
            }
            ++position;
            continue;
        }
        writer.WriteSpaces(run);
        run = 0;
        const size_t wordEnd = WordEnd(text, position, lineEnd);
        writer.WriteWord(text.data() + position, int(wordEnd - position), firstWordPending);
        firstWordPending = false;
        column += int64_t(wordEnd - position);
        position = wordEnd;
        ++words;
    }
    writer.WriteSpaces(run);
    writer.EndLine();
    return words;
}

// The book is written under a fresh name of its own beside the final one (the library lists
// only "*.book"), so nothing is overwritten and a failure leaves no half-written book.
int CreateUniqueBeside(const std::filesystem::path& bookPath, std::filesystem::path& partPath) {
    std::string pattern = bookPath.string() + ".part-XXXXXX";
    const int handle = mkostemp(pattern.data(), O_CLOEXEC);
    if (handle < 0) throw FileError("cannot create a file beside " + bookPath.string());
    partPath = pattern;
    // The unique file is made private; a book gets the permissions the user's umask gives
    // any new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(handle, 0666 & ~mask) != 0) {
        const int error = errno;
        ::close(handle);
        ::unlink(partPath.c_str());
        throw FileError("cannot set the permissions of " + partPath.string() + ": " + std::strerror(error));
    }
    return handle;
}

// Gives the finished book its name, never replacing a file that took that name meanwhile.
void PublishWithoutReplacing(const std::filesystem::path& partPath, const std::filesystem::path& bookPath) {
    if (::link(partPath.c_str(), bookPath.c_str()) == 0) {
        ::unlink(partPath.c_str());
        return;
    }
    const int error = errno;
    if (error == EEXIST) throw BookBuildError(bookPath.filename().string() + " already exists");
    // File systems without hard links: rename, having checked the name is still free.
    std::error_code ignored;
    if (std::filesystem::exists(bookPath, ignored))
        throw BookBuildError(bookPath.filename().string() + " already exists");
    if (::rename(partPath.c_str(), bookPath.c_str()) != 0)
        throw FileError("cannot name the book " + bookPath.string() + ": " + std::strerror(errno));
}

// A large text is decoded into memory that asks for huge pages (see HugePageAllocator).
char16_t* AllocateUnits(size_t count) {
    return static_cast<char16_t*>(AllocateHugePages(count * sizeof(char16_t)));
}

}  // namespace

void DecodedText::Free::operator()(char16_t* units) const { std::free(units); }

DecodedText ReadAllUnits(TextSource& source) {
    // UTF-8 and UTF-16 never give more units than the source has bytes, so one allocation
    // usually holds the whole text; it is not zeroed first, the decoder writes every unit.
    // The slack behind the text lets the book writer copy words in fixed-size pieces.
    constexpr size_t kSlack = BookWriter::kWordReadSlackUnits;
    DecodedText text;
    size_t capacity = size_t(std::max<int64_t>(source.SourceBytes(), 0)) + 2;
    text.units.reset(AllocateUnits(capacity + kSlack));
    for (;;) {
        if (capacity - text.size < 2) {
            std::unique_ptr<char16_t[], DecodedText::Free> larger(AllocateUnits(capacity * 2 + kSlack));
            std::copy_n(text.units.get(), text.size, larger.get());
            text.units = std::move(larger);
            capacity *= 2;
        }
        const size_t n = source.ReadUnits(text.units.get() + text.size, capacity - text.size);
        if (n == 0) break;
        text.size += n;
    }
    std::fill_n(text.units.get() + text.size, kSlack, char16_t(0));
    return text;
}

size_t ReadLine(std::u16string_view text, size_t position, bool& preformatted, bool& hasText,
                int32_t& indent) {
    indent = 0;
    hasText = false;
    int64_t tabColumn = 0;
    const size_t end = text.size();
    for (; position < end; ++position) {
        const char16_t c = text[position];
        if (c == kMarkPreformattedOff) {
            preformatted = false;
        } else if (c == kMarkPreformattedOn) {
            preformatted = true;
        } else if (c == kTab) {
            const int advance = TabAdvance(tabColumn);
            indent =
                int32_t(std::min<int64_t>(int64_t(indent) + advance, std::numeric_limits<int32_t>::max()));
            tabColumn += advance;
        } else if (c == kSpace) {
            if (indent < std::numeric_limits<int32_t>::max()) ++indent;
        } else if (c != kCarriageReturn) {
            break;
        }
    }
    return ScanRestOfLine(text, position, hasText);
}

void AssignRegularIndents(std::span<LineRecord> lines) {
    const size_t count = lines.size();
    for (size_t i = 2; i < count; ++i) {
        const LineRecord& a = lines[i - 2];
        const LineRecord& b = lines[i - 1];
        LineRecord& c = lines[i];
        if (a.hasText && b.hasText && c.hasText && a.indent == b.indent && b.indent == c.indent)
            c.regularIndent = c.indent;
    }

    // Blocks: a block ends before a line that follows a blank line, but only once one of its
    // lines has a regular indent; every line of a block takes the block's smallest one.
    size_t blockStart = 0;
    while (blockStart < count) {
        int32_t smallest = -1;
        size_t j = blockStart;
        for (; j < count; ++j) {
            if (j > blockStart && !lines[j - 1].hasText && smallest >= 0) break;
            const int32_t r = lines[j].regularIndent;
            if (r >= 0 && (smallest < 0 || r < smallest)) smallest = r;
        }
        for (size_t k = blockStart; k < j; ++k) lines[k].regularIndent = smallest;
        blockStart = j;
    }
}

int32_t UsualIndent(std::span<const LineRecord> lines) {
    int64_t histogram[kIndentHistogramSize] = {};
    for (const LineRecord& line : lines)
        if (line.regularIndent >= 0 && line.regularIndent < kIndentHistogramSize)
            ++histogram[line.regularIndent];
    int32_t usual = 0;
    for (int32_t i = 1; i < kIndentHistogramSize; ++i)
        if (histogram[i] > histogram[usual]) usual = i;
    return usual;
}

void MarkParagraphStarts(std::span<LineRecord> lines, int32_t usualIndent) {
    for (size_t i = 1; i < lines.size(); ++i) {
        LineRecord& line = lines[i];
        if ((line.hasText && !lines[i - 1].hasText) ||
            (line.regularIndent != -1 && line.regularIndent < line.indent) || line.indent > usualIndent)
            line.startsParagraph = true;
    }
}

void BuildBook(TextSource& source, const std::filesystem::path& bookPath, int64_t sourceSize,
               const std::u16string& sourceName, const BuildBookOptions& options, ProgressSink* progress) {
    const int64_t sourceLength = source.SourceBytes();
    const DecodedText decoded = ReadAllUnits(source);
    const std::u16string_view text = decoded.view();
    LineRecords lines = ReadLines(text, options.everyLineParagraph, sourceLength, progress);
    AssignRegularIndents(lines);
    MarkParagraphStarts(lines, UsualIndent(lines));
    std::filesystem::path partPath;
    const int handle = CreateUniqueBeside(bookPath, partPath);
    VEMFile file;
    file.Open(handle, kNewBookClusterShift, kNewBookClusters);
    try {
        BookWriter writer(file);
        std::vector<HeadingMark, HugePageAllocator<HeadingMark>> chapters;
        std::vector<int32_t> examineFromFile;
        bool firstWordPending = true;
        bool firstLineOfParagraph = true;
        size_t position = 0;
        size_t reported = 0;
        // The document's own chapters: the next one not yet placed, and whether one waits for
        // a paragraph with text (with the words it asked for).
        const std::vector<ChapterStart>* ownChapters = options.chapters ? &*options.chapters : nullptr;
        size_t nextChapter = 0;
        constexpr int32_t kNoChapterWaiting = -2;
        int32_t chapterWaiting = kNoChapterWaiting;
        for (const LineRecord& line : lines) {
            if (line.startsParagraph) {
                firstWordPending = true;
                firstLineOfParagraph = true;
                writer.BeginParagraph();
            }
            if (ownChapters) {
                for (; nextChapter < ownChapters->size() &&
                       (*ownChapters)[nextChapter].unitPosition <= position;
                     ++nextChapter) {
                    if (chapterWaiting == kNoChapterWaiting)
                        chapterWaiting = (*ownChapters)[nextChapter].headingWords;
                }
            }
            const int words = WriteLineItems(text, position, line.end, firstWordPending, writer);
            position = line.end;
            if (ownChapters) {
                if (firstLineOfParagraph && chapterWaiting != kNoChapterWaiting && words > 0) {
                    const int32_t heading = chapterWaiting < 0 ? words : std::min(chapterWaiting, words);
                    if (heading > 0) chapters.push_back({int32_t(writer.Paragraphs().size() - 1), heading});
                    chapterWaiting = kNoChapterWaiting;
                }
                firstLineOfParagraph = false;
            } else if (firstLineOfParagraph) {
                // Headings are found from the first line while it is still in memory.
                const auto paragraph = int32_t(writer.Paragraphs().size() - 1);
                if (writer.FirstLineKept()) {
                    TextItemReader reader(writer.FirstLine().data(), int64_t(writer.FirstLine().size()));
                    if (auto chapter = ExamineParagraph(reader, paragraph, HeadingWords::Drop))
                        chapters.push_back({chapter->paragraph, chapter->wordCount});
                } else {
                    examineFromFile.push_back(paragraph);
                }
                firstLineOfParagraph = false;
            }
            if (position - reported >= kProgressEveryUnits) {
                ReportProgress(progress,
                               sourceLength + 2 * SourcePosition(position, text.size(), sourceLength));
                reported = position;
            }
        }
        writer.FinishText();
        const std::vector<int32_t>& paragraphs = writer.Paragraphs();
        for (int32_t p : examineFromFile) {
            if (auto chapter = ExamineParagraph(file, p, paragraphs[size_t(p)], paragraphs[size_t(p) + 1]))
                chapters.push_back({chapter->paragraph, chapter->wordCount});
        }
        ReportProgress(progress, 3 * sourceLength);

        VEMOpt store;
        store.SetInt(kTagPosition, kBookTextStart);
        store.SetInt(kTagPositionFraction, kDefaultPositionFraction);
        store.SetWideString(kTagSourceName, sourceName);
        store.SetInt(kTagSourceSize,
                     int32_t(std::clamp<int64_t>(sourceSize, -1, std::numeric_limits<int32_t>::max())));
        store.SetInt(kTagFormattingMode, 1);
        store.SetInt(kTagProportional, 1);
        if (!options.author.empty()) store.SetWideString(kTagAuthor, options.author);
        if (!options.title.empty()) store.SetWideString(kTagTitle, options.title);
        StoreHeadingIndex(store, chapters);
        RewriteBookStore(file, store);
        file.Close();
        PublishWithoutReplacing(partPath, bookPath);
    } catch (...) {
        try {
            file.Close();
        } catch (const FileError&) {
        }
        std::error_code ignored;
        std::filesystem::remove(partPath, ignored);
        throw;
    }
    ReportProgress(progress, 4 * sourceLength);
}

}  // namespace corvalin
