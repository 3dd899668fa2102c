#include "import/BuildBook.h"

#include <algorithm>
#include <limits>
#include <system_error>

#include "books/BookFile.h"
#include "books/BookWriter.h"
#include "books/VEMFile.h"
#include "layout/HeadingDetection.h"
#include "settings/VEMOpt.h"

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
constexpr int64_t kProgressEveryUnits = 1 << 16;

int TabAdvance(int64_t column) { return kTabColumns - int(column % kTabColumns); }

std::vector<LineRecord> ReadLines(UnitReader& reader, bool everyLineParagraph, ProgressSink* progress) {
    std::vector<LineRecord> lines;
    bool preformatted = everyLineParagraph;
    int64_t reported = 0;
    for (;;) {
        LineRecord line;
        line.startsParagraph = preformatted;
        const int64_t start = reader.position();
        line.end = ReadLine(reader, preformatted, line.hasText, line.indent);
        if (line.end == start) break;
        lines.push_back(line);
        if (line.end - reported >= kProgressEveryUnits) {
            ReportProgress(progress, line.end);
            reported = line.end;
        }
    }
    return lines;
}

// Pass 2: one line of the source into items.
void WriteLineItems(UnitReader& reader, int64_t lineEnd, bool& firstWordPending, BookWriter& writer) {
    char16_t word[kMaxWordItemUnits];
    int64_t column = 0;
    int64_t run = 0;
    int pushedBack = -1;  // the unit that ended a run, read again as the word's first
    while (pushedBack >= 0 || reader.position() < lineEnd) {
        int c = pushedBack >= 0 ? pushedBack : reader.Next();
        pushedBack = -1;
        if (c < 0) break;
        if (c <= kSpace) {
            if (c == kSpace) {
                ++column, ++run;
            } else if (c == kTab) {
                const int advance = TabAdvance(column);
                column += advance, run += advance;
            }
            continue;
        }
        writer.WriteSpaces(run);
        run = 0;
        int length = 0;
        if (firstWordPending) {
            word[length++] = kParagraphMark;
            firstWordPending = false;
        }
        int taken = 0;
        for (;;) {
            word[length++] = char16_t(c);
            ++taken, ++column;
            if (taken == kMaxWordUnits || reader.position() >= lineEnd) break;
            c = reader.Next();
            if (c <= kSpace) {
                pushedBack = c;
                break;
            }
        }
        writer.WriteWord(word, length);
    }
    writer.WriteSpaces(run);
    writer.EndLine();
}

}  // namespace

void UnitReader::Rewind() {
    source_.Rewind();
    next_ = filled_ = 0;
    position_ = 0;
}

bool UnitReader::Refill() {
    filled_ = source_.ReadUnits(buffer_, sizeof buffer_ / sizeof buffer_[0]);
    next_ = 0;
    return filled_ > 0;
}

int64_t ReadLine(UnitReader& reader, bool& preformatted, bool& hasText, int32_t& indent) {
    indent = 0;
    hasText = false;
    int64_t tabColumn = 0;
    int c;
    for (;;) {
        c = reader.Next();
        if (c < 0) return reader.position();
        if (c == kMarkPreformattedOff) {
            preformatted = false;
        } else if (c == kMarkPreformattedOn) {
            preformatted = true;
        } else if (c == kTab) {
            const int advance = TabAdvance(tabColumn);
            indent = int32_t(std::min<int64_t>(int64_t(indent) + advance, std::numeric_limits<int32_t>::max()));
            tabColumn += advance;
        } else if (c == kSpace) {
            if (indent < std::numeric_limits<int32_t>::max()) ++indent;
        } else if (c != kCarriageReturn) {
            break;
        }
    }
    while (c >= 0 && c != kLineFeed) {
        if (c > kSpace) hasText = true;
        c = reader.Next();
    }
    return reader.position();
}

void AssignRegularIndents(std::vector<LineRecord>& lines) {
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

int32_t UsualIndent(const std::vector<LineRecord>& lines) {
    int64_t histogram[kIndentHistogramSize] = {};
    for (const LineRecord& line : lines)
        if (line.regularIndent >= 0 && line.regularIndent < kIndentHistogramSize) ++histogram[line.regularIndent];
    int32_t usual = 0;
    for (int32_t i = 1; i < kIndentHistogramSize; ++i)
        if (histogram[i] > histogram[usual]) usual = i;
    return usual;
}

void MarkParagraphStarts(std::vector<LineRecord>& lines, int32_t usualIndent) {
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
    UnitReader reader(source);
    reader.Rewind();
    std::vector<LineRecord> lines = ReadLines(reader, options.everyLineParagraph, progress);
    AssignRegularIndents(lines);
    MarkParagraphStarts(lines, UsualIndent(lines));

    std::filesystem::path partPath = bookPath;
    partPath += ".part";
    const int handle = OpenFileHandle(partPath, FileMode::Create);
    if (handle < 0) throw VEMFileError("cannot create " + partPath.string());
    VEMFile file;
    file.Open(handle, kNewBookClusterShift, kNewBookClusters);
    try {
        BookWriter writer(file);
        reader.Rewind();
        bool firstWordPending = true;
        int64_t reported = 0;
        for (const LineRecord& line : lines) {
            if (line.startsParagraph) {
                firstWordPending = true;
                writer.BeginParagraph();
            }
            WriteLineItems(reader, line.end, firstWordPending, writer);
            if (line.end - reported >= kProgressEveryUnits) {
                ReportProgress(progress, sourceLength + 2 * line.end);
                reported = line.end;
            }
        }
        writer.FinishText();

        VEMOpt store;
        store.SetInt(kTagPosition, kBookTextStart);
        store.SetInt(kTagPositionFraction, kDefaultPositionFraction);
        store.SetWideString(kTagSourceName, sourceName);
        store.SetInt(kTagSourceSize, int32_t(std::clamp<int64_t>(sourceSize, -1, std::numeric_limits<int32_t>::max())));
        store.SetInt(kTagFormattingMode, 1);
        store.SetInt(kTagProportional, 1);
        DetectHeadings(file, store, sourceLength, 3 * sourceLength, progress);
        file.Close();
        std::filesystem::rename(partPath, bookPath);
    } catch (...) {
        try {
            file.Close();
        } catch (const VEMFileError&) {
        }
        std::error_code ignored;
        std::filesystem::remove(partPath, ignored);
        throw;
    }
    ReportProgress(progress, 4 * sourceLength);
}

}  // namespace corvalin
