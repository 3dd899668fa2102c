#include "layout/LineFormatter.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "books/BookFormat.h"
#include "books/BookText.h"
#include "books/ReadWord.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

constexpr std::u16string_view kIndent = u"        ";  // a paragraph mark or a tab is drawn as this
constexpr std::u16string_view kDashWord = u"\t-";     // opens a dialogue paragraph
constexpr int kTabColumns = 8;

bool IsLeadingPunctuation(char16_t unit) {
    return unit == u' ' || unit == u'-' || unit == u'\'' || unit == u'"';
}

// The longest prefix of `word` whose width plus `used` fits `limit`, scanning upward from one
// unit and stopping at the first that does not fit.
size_t FittingPrefix(VEMRenderParag& view, std::u16string_view word, int32_t used, int32_t limit) {
    int64_t width = used;
    size_t units = 0;
    while (units < word.size()) {
        width += view.proportional ? view.CharAdvance(word[units])
                                   : std::max(1, view.fixedCharWidthSsPx + view.kerningSsPx);
        if (width > limit) break;
        ++units;
    }
    return units;
}

class FullFormatter {
public:
    FullFormatter(VEMRenderParag& view, VEMRenderParagObject& unit) : view_(view), unit_(unit) {}

    void Run() {
        line_ = unit_.AppendLine(unit_.startOffset, unit_.startOffset);
        reader_.emplace(*view_.bookFile, unit_.startOffset, unit_.endOffset);
        int64_t pending = unit_.startOffset;  // start of the word being placed
        int breaks = 0;
        for (;;) {
            std::u16string word = ReadWord(*reader_, breaks);
            if (word.empty()) break;
            if (word == kDashWord) {
                std::u16string next = ReadWord(*reader_, breaks);
                word = std::u16string(kIndent) + u"- " + next;
            } else if (word.front() == kParagraphMark) {
                word = std::u16string(kIndent) + word.substr(1);
            }
            if (view_.joinHyphens) JoinHyphens(word);
            Place(word, pending, reader_->offset());
            pending = reader_->offset();
        }
        FinishLines();
    }

private:
    // A word cut at a source line end by a hyphen continues on the next line of the paragraph.
    void JoinHyphens(std::u16string& word) {
        while (word.size() >= 2 && word.back() == u'-' && word[word.size() - 2] != u'-') {
            int64_t ahead = reader_->offset();
            int breaks = 0;
            std::u16string rest = ReadWord(*view_.bookFile, ahead, unit_.endOffset, breaks);
            if (breaks != 1) return;
            word.pop_back();
            word += rest;
            reader_.emplace(*view_.bookFile, ahead, unit_.endOffset);
        }
    }

    int32_t Used() const { return line_->wordsWidth + line_->wordCount * view_.spaceWidthSsPx; }

    void Put(std::u16string text, int32_t width, int64_t end) {
        line_->AppendWord(std::move(text), view_.textColour)->width = width;
        line_->wordsWidth += width;
        line_->endOffset = int32_t(end);
    }

    void Place(std::u16string word, int64_t start, int64_t end) {
        int32_t width = MeasureText(view_, word);
        const int32_t limit = view_.textWidthSsPx;
        if (line_->wordsWidth > 0) {
            if (Used() + width <= limit) return Put(std::move(word), width, end);
            if (width <= limit) {
                line_ = unit_.AppendLine(int32_t(start), int32_t(end));
                return Put(std::move(word), width, end);
            }
        } else if (width <= limit) {
            return Put(std::move(word), width, end);
        }
        // Wider than a whole line: cut it where the line is full, without a hyphen.
        while (Used() + width > limit) {
            size_t units = FittingPrefix(view_, word, Used(), limit);
            if (units == 0 && line_->wordCount == 0) units = 1;  // an empty line always advances
            std::u16string piece = word.substr(0, units);
            Put(piece, MeasureText(view_, piece), end);
            word.erase(0, units);
            if (word.empty()) return;  // a single unit wider than the page took a line
            line_ = unit_.AppendLine(int32_t(start), int32_t(end));
            width = MeasureText(view_, word);
        }
        Put(std::move(word), width, end);
    }

    void FinishLines() {
        for (VEMRenderLineObject* line = unit_.firstLine; line; line = line->next) {
            const int32_t top = line == unit_.firstLine ? view_.paragraphIntervalPx : 0;
            const int32_t bottom = line == unit_.lastLine ? view_.paragraphIntervalPx : 0;
            line->height = std::max(1, view_.rowHeightPx + view_.lineIntervalPx) + top + bottom;
            line->textTop = top;
            line->textBottom = top + view_.rowHeightPx;
            // Justified lines spread the free space over the gaps, the remainder going to the
            // later gaps; the paragraph's last line and single words stay left-aligned.
            const int32_t gaps = line->wordCount - 1;
            const int64_t free = int64_t(view_.textWidthSsPx) - line->wordsWidth;
            const bool ragged = line == unit_.lastLine || gaps < 1;
            int64_t x = view_.textLeftSsPx;
            int64_t k = 0;
            for (VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
                word->x = int32_t(x);
                x += word->width;
                if (ragged) {
                    x += view_.spaceWidthSsPx;
                } else {
                    x += ((k + 1) * free) / gaps - (k * free) / gaps;
                    ++k;
                }
            }
        }
    }

    VEMRenderParag& view_;
    VEMRenderParagObject& unit_;
    VEMRenderLineObject* line_ = nullptr;
    std::optional<TextItemReader> reader_;
};

class OriginalFormatter {
public:
    OriginalFormatter(VEMRenderParag& view, VEMRenderParagObject& unit) : view_(view), unit_(unit) {}

    void Run() {
        int64_t start = unit_.startOffset;
        while (start < unit_.endOffset) {
            line_ = unit_.AppendLine(int32_t(start), int32_t(start));
            FillLine();
            if (line_->wordsWidth < 1 && line_->spaceCount < 1) {
                unit_.DeleteLine(line_);
                break;
            }
            start = line_->endOffset;
        }
        DropTrailingSpaces();
        FinishLines();
        if (!unit_.firstLine) {
            // A blank source line: a short gap without text rows.
            VEMRenderLineObject* line = unit_.AppendLine(unit_.startOffset, unit_.endOffset);
            line->height = view_.rowHeightPx;
        }
    }

private:
    int32_t Used() const { return line_->spaceCount * view_.spaceWidthSsPx + line_->wordsWidth; }

    void Put(std::u16string text, int32_t width) {
        line_->AppendWord(std::move(text), view_.textColour)->width = width;
        line_->wordsWidth += width;
    }

    void FillLine() {
        const int32_t limit = view_.textWidthSsPx;
        TextItem item;
        while (line_->endOffset < unit_.endOffset) {
            int64_t next = line_->endOffset;
            if (!NextTextItem(*view_.bookFile, next, unit_.endOffset, item)) {
                line_->endOffset = unit_.endOffset;  // a damaged item ends the unit
                return;
            }
            const int32_t itemBytes = int32_t(next - line_->endOffset);
            if (item.kind == TextItem::Kind::LineEnd) {
                line_->endOffset += itemBytes;
                continue;
            }
            if (item.kind == TextItem::Kind::Space) {
                line_->endOffset += itemBytes;
                line_->AppendWord({}, view_.textColour)->spaceRun = item.columns;
                line_->spaceCount += item.columns;
                continue;
            }
            std::u16string_view raw = item.word;
            if (!raw.empty() && raw.front() == kParagraphMark) raw.remove_prefix(1);
            std::u16string word = ExpandTabs(raw);
            if (word.empty()) {
                line_->endOffset += itemBytes;
                continue;
            }
            int32_t width = MeasureText(view_, word);
            int32_t used = Used();
            if (used >= limit) {
                line_ = unit_.AppendLine(line_->endOffset, line_->endOffset);
                used = 0;
            }
            if ((used < 1 && width <= limit) || (used >= 1 && used + width <= limit)) {
                Put(std::move(word), width);
                line_->endOffset += itemBytes;
                continue;
            }
            if (used >= 1 && width <= limit) return;  // the word opens the next display line
            line_->endOffset += itemBytes;
            while (Used() + width > limit) {
                size_t units = LongestPrefix(word);
                std::u16string piece = word.substr(0, units);
                Put(piece, MeasureText(view_, piece));
                word.erase(0, units);
                const int32_t start = line_->startOffset;
                const int32_t end = line_->endOffset;
                line_ = unit_.AppendLine(start, end);
                width = MeasureText(view_, word);
            }
            Put(std::move(word), width);
        }
    }

    // The longest prefix shorter than the word that fits the rest of the line, scanning from the
    // longest down; at least one unit on an empty line.
    size_t LongestPrefix(std::u16string_view word) {
        const int32_t used = Used();
        if (word.empty()) return 0;
        for (size_t units = word.size() - 1; units > 0; --units) {
            if (MeasureText(view_, word.substr(0, units)) + used <= view_.textWidthSsPx) return units;
        }
        return used < 1 ? std::min<size_t>(1, word.size()) : 0;
    }

    void DropTrailingSpaces() {
        for (VEMRenderLineObject* line = unit_.firstLine; line; line = line->next) {
            if (line->wordsWidth > 0 && line->lastWord && line->lastWord->spaceRun > 0) {
                line->spaceCount -= line->lastWord->spaceRun;
                line->DeleteWord(line->lastWord);
            }
        }
    }

    // Wrapped source lines are justified by stretching their spaces in proportion to their
    // columns; the last display line of a source line keeps natural spacing.
    void FinishLines() {
        for (VEMRenderLineObject* line = unit_.firstLine; line; line = line->next) {
            line->height = std::max(1, view_.rowHeightPx + view_.lineIntervalPx);
            line->textTop = 0;
            line->textBottom = view_.rowHeightPx;
            const int64_t free = int64_t(view_.textWidthSsPx) - line->wordsWidth;
            const int64_t columns = line->spaceCount;
            const bool stretch = line != unit_.lastLine && columns > 0;
            int64_t x = view_.textLeftSsPx;
            int64_t done = 0;
            for (VEMRenderWordObject* word = line->firstWord; word;) {
                VEMRenderWordObject* next = word->next;
                if (word->spaceRun > 0) {
                    const int64_t n = word->spaceRun;
                    x += stretch ? ((done + n) * free) / columns - (done * free) / columns
                                 : MeasureText(view_, std::u16string(size_t(n), u' '));
                    done += n;
                    line->spaceCount -= word->spaceRun;
                    line->DeleteWord(word);
                } else {
                    word->x = int32_t(x);
                    x += word->width;
                }
                word = next;
            }
        }
    }

    VEMRenderParag& view_;
    VEMRenderParagObject& unit_;
    VEMRenderLineObject* line_ = nullptr;
};

void ColourHeading(VEMRenderParag& view, VEMRenderParagObject& unit, int32_t words) {
    int32_t coloured = 0;
    for (VEMRenderLineObject* line = unit.firstLine; line; line = line->next) {
        for (VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
            word->colour = view.headingColour;
            if (++coloured >= words) return;
        }
    }
}

void ColourFirstLetter(VEMRenderParag& view, VEMRenderParagObject& unit) {
    VEMRenderLineObject* line = unit.firstLine;
    if (!line) return;
    for (VEMRenderWordObject* word = line->firstWord; word; word = word->next) {
        const std::u16string& text = word->text;
        if (text.size() == 1) {
            word->colour = view.firstLetterColour;
            if (!IsLeadingPunctuation(text[0])) return;
            continue;
        }
        const auto letter = std::find_if_not(text.begin(), text.end(), IsLeadingPunctuation);
        word->colour = view.firstLetterColour;
        if (letter == text.end()) continue;
        const size_t cut = size_t(letter - text.begin()) + 1;
        if (cut < text.size()) {
            VEMRenderWordObject* rest = line->InsertWordAfter(word, text.substr(cut), view.textColour);
            word->text.resize(cut);
            word->width = MeasureText(view, word->text);
            rest->x = word->x + word->width;
            rest->width = MeasureText(view, rest->text);
        }
        return;
    }
}

}  // namespace

int32_t MeasureText(VEMRenderParag& view, std::u16string_view text) {
    if (!view.proportional) return int32_t(text.size()) * std::max(1, view.fixedCharWidthSsPx + view.kerningSsPx);
    int32_t width = 0;
    for (char16_t unit : text) width += view.CharAdvance(unit);
    return width;
}

std::u16string ExpandTabs(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (char16_t unit : text) {
        if (unit == u'\t')
            out.append(size_t(kTabColumns), u' ');
        else
            out.push_back(unit);
    }
    return out;
}

void FormatUnit(VEMRenderParag& view, VEMRenderParagObject& unit, int32_t paragraphNumber) {
    unit.ClearLines();
    if (view.fullFormatting)
        FullFormatter(view, unit).Run();
    else
        OriginalFormatter(view, unit).Run();

    if (unit.startsParagraph) {
        VEMOpt* heading = view.headingStore ? view.headingStore->Find(uint32_t(paragraphNumber)) : nullptr;
        if (heading) {
            // The count comes from the file: widen before adding so a damaged value cannot wrap.
            int64_t words = view.headingStore->GetInt(uint32_t(paragraphNumber), 0);
            if (!view.fullFormatting) ++words;
            ColourHeading(view, unit,
                          int32_t(std::clamp<int64_t>(words, 1, std::numeric_limits<int32_t>::max())));
        } else {
            ColourFirstLetter(view, unit);
        }
    }
    // Lines without words need no rendering; the background renderer counts them done.
    unit.renderedLines = 0;
    for (VEMRenderLineObject* line = unit.firstLine; line; line = line->next)
        if (line->renderedWords == line->wordCount) ++unit.renderedLines;
}

}  // namespace corvalin
