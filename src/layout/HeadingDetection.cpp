#include "layout/HeadingDetection.h"

#include <algorithm>

#include "books/BookFile.h"
#include "layout/ReadWord.h"

namespace corvalin {
namespace {

// A heading line holds a few words; more is body text.
constexpr int32_t kMaxHeadingWords = 5;
constexpr int32_t kDashWithoutDigitsMask = kShapeDialogueDash | kShapeLaterDigit | kShapeFirstDigit;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool EndsSentence(char16_t c) {
    return c == u'!' || c == u'.' || c == u':' || c == u';' || c == u'?';
}

}  // namespace

std::optional<VEMChapterObj> ExamineParagraph(VEMFile& file, int32_t paragraph, int64_t start,
                                              int64_t end) {
    if (start >= end) return std::nullopt;
    TextItemReader reader(file, start, end);
    int breaks = 0;
    std::u16string word = ReadWord(reader, breaks);
    if (word.empty() || breaks >= 1) return std::nullopt;

    VEMChapterObj candidate;
    candidate.paragraph = paragraph;
    if (word == u"\t-") {
        candidate.shapeFlags = kShapeDialogueDash;
    } else {
        if (word[0] == u'\t') word.erase(0, 1);
        if (!word.empty()) {
            candidate.headingText = word;
            candidate.wordCount = 1;
            if (IsDigit(word[0])) candidate.shapeFlags |= kShapeFirstDigit;
        }
    }

    while (reader.offset() < end) {
        word = ReadWord(reader, breaks);
        if (breaks >= 1) {
            if (reader.offset() < end) candidate.shapeFlags |= kShapeContinues;
            break;
        }
        if (word.empty()) break;
        if (!candidate.headingText.empty()) candidate.headingText += u' ';
        candidate.headingText += word;
        ++candidate.wordCount;
        if (IsDigit(word[0])) candidate.shapeFlags |= kShapeLaterDigit;
        if (EndsSentence(word.back())) {
            candidate.shapeFlags |= kShapeSentenceEnd;
            break;
        }
        // Nothing read later can bring the count back down; a paragraph written as one long
        // source line would otherwise be read up to its first full stop.
        if (candidate.wordCount > kMaxHeadingWords) break;
    }

    const int32_t flags = candidate.shapeFlags;
    if (candidate.headingText.empty()) return std::nullopt;
    if (candidate.wordCount > kMaxHeadingWords) return std::nullopt;
    if (flags & kShapeSentenceEnd) return std::nullopt;
    if ((flags & kDashWithoutDigitsMask) == kShapeDialogueDash) return std::nullopt;
    if (candidate.wordCount == 1 && !(flags & (kShapeLaterDigit | kShapeFirstDigit))) return std::nullopt;
    return candidate;
}

VEMChapter DetectHeadings(VEMFile& file, VEMOpt& store, int64_t span, int64_t base,
                          ProgressSink* progress) {
    const BookHeader header = ReadBookHeader(file);
    const std::vector<int32_t> paragraphs = ReadParagraphTable(file, header);

    delete store.Find(kTagHeadings);
    VEMOpt* index = store.Child(kTagHeadings);

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
    for (const VEMChapterObj& chapter : chapters)
        index->SetInt(uint32_t(chapter.paragraph), chapter.wordCount);

    // Cutting the file at the store offset matters when the new index is shorter than the old
    // one: the store digest must sit at the very end of the file.
    RewriteBookStore(file, store);
    return chapters;
}

}  // namespace corvalin
