#include "books/HeadingDetection.h"

#include <algorithm>

#include "books/BookFile.h"
#include "books/BookText.h"

namespace corvalin {
namespace {

// A heading line holds a few words; more is body text.
constexpr int32_t kMaxHeadingWords = 5;
constexpr int32_t kDashWithoutDigitsMask = kShapeDialogueDash | kShapeLaterDigit | kShapeFirstDigit;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool EndsSentence(char16_t c) { return c == u'!' || c == u'.' || c == u':' || c == u';' || c == u'?'; }

}  // namespace

std::optional<VEMChapterObj> ExamineParagraph(VEMFile& file, int32_t paragraph, int64_t start, int64_t end) {
    if (start >= end) return std::nullopt;
    TextItemReader reader(file, start, end);
    return ExamineParagraph(reader, paragraph);
}

std::optional<VEMChapterObj> ExamineParagraph(TextItemReader& reader, int32_t paragraph, HeadingWords words) {
    const int64_t end = reader.end();
    if (reader.offset() >= end) return std::nullopt;
    // One item reused for every word: this runs over every paragraph of the book.
    TextItem item;
    int breaks = 0;
    const auto nextWord = [&]() -> const std::u16string* {
        breaks = 0;
        while (reader.Next(item)) {
            if (item.kind == TextItem::Kind::Word) return &item.word;
            if (item.kind == TextItem::Kind::LineEnd) ++breaks;
        }
        reader.SkipToEnd();
        return nullptr;
    };

    const std::u16string* word = nextWord();
    if (!word || breaks >= 1) return std::nullopt;

    VEMChapterObj candidate;
    candidate.paragraph = paragraph;
    if (*word == u"\t-") {
        candidate.shapeFlags = kShapeDialogueDash;
    } else {
        const size_t skip = (*word)[0] == u'\t' ? 1 : 0;
        if (word->size() > skip) {
            if (words == HeadingWords::Keep) candidate.headingText.assign(*word, skip);
            candidate.wordCount = 1;
            if (IsDigit((*word)[skip])) candidate.shapeFlags |= kShapeFirstDigit;
        }
    }

    while (reader.offset() < end) {
        word = nextWord();
        if (breaks >= 1) {
            if (reader.offset() < end) candidate.shapeFlags |= kShapeContinues;
            break;
        }
        if (!word) break;
        if (words == HeadingWords::Keep) {
            if (candidate.wordCount > 0) candidate.headingText += u' ';
            candidate.headingText += *word;
        }
        ++candidate.wordCount;
        if (IsDigit((*word)[0])) candidate.shapeFlags |= kShapeLaterDigit;
        if (EndsSentence(word->back())) {
            candidate.shapeFlags |= kShapeSentenceEnd;
            break;
        }
        // Nothing read later can bring the count back down; a paragraph written as one long
        // source line would otherwise be read up to its first full stop.
        if (candidate.wordCount > kMaxHeadingWords) break;
    }

    const int32_t flags = candidate.shapeFlags;
    if (candidate.wordCount == 0) return std::nullopt;
    if (candidate.wordCount > kMaxHeadingWords) return std::nullopt;
    if (flags & kShapeSentenceEnd) return std::nullopt;
    if ((flags & kDashWithoutDigitsMask) == kShapeDialogueDash) return std::nullopt;
    if (candidate.wordCount == 1 && !(flags & (kShapeLaterDigit | kShapeFirstDigit))) return std::nullopt;
    return candidate;
}

void StoreHeadingIndex(VEMOpt& store, const VEMChapter& chapters) {
    std::vector<HeadingMark> headings;
    headings.reserve(chapters.size());
    for (const VEMChapterObj& chapter : chapters) headings.push_back({chapter.paragraph, chapter.wordCount});
    StoreHeadingIndex(store, headings);
}

void StoreHeadingIndex(VEMOpt& store, std::span<const HeadingMark> headings) {
    delete store.Find(kTagHeadings);
    VEMOpt* index = store.Child(kTagHeadings);
    for (const HeadingMark& heading : headings) index->SetInt(uint32_t(heading.paragraph), heading.wordCount);
}

VEMChapter FindHeadings(VEMFile& file, int64_t span, int64_t base, ProgressSink* progress) {
    const BookHeader header = ReadBookHeader(file);
    if (CheckBookStructure(header, file.Length()) != VerdictKind::Ok) throw FileError("not a book file");
    const std::vector<int32_t> paragraphs = ReadParagraphTable(file, header);

    VEMChapter chapters;
    const int64_t paragraphCount = int64_t(paragraphs.size()) - 1;
    for (int64_t p = 0; p < paragraphCount; ++p) {
        ReportProgress(progress, base + p * span / paragraphCount);
        // The tables come from the file: keep every range inside the text.
        const int64_t start = std::clamp<int64_t>(paragraphs[p], header.textStart, header.textEnd);
        const int64_t end = std::clamp<int64_t>(paragraphs[p + 1], start, header.textEnd);
        if (auto candidate = ExamineParagraph(file, int32_t(p), start, end))
            chapters.push_back(std::move(*candidate));
    }
    return chapters;
}

VEMChapter DetectHeadings(VEMFile& file, VEMOpt& store, int64_t span, int64_t base, ProgressSink* progress) {
    VEMChapter chapters = FindHeadings(file, span, base, progress);
    StoreHeadingIndex(store, chapters);
    // Cutting the file at the store offset matters when the new index is shorter than the old
    // one: the store digest must sit at the very end of the file.
    RewriteBookStore(file, store);
    return chapters;
}

}  // namespace corvalin
