#pragma once

#include <climits>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace corvalin {

// The first lines of a book as the library shows and reads them: the first source line of each
// of its first paragraphs, empty ones included. All lines share one buffer (a library of ten
// thousand books holds three million of them).
class PreviewLines {
public:
    static constexpr int kNone = -1;

    void Append(std::u16string_view text);
    int Count() const { return int(starts_.empty() ? 0 : starts_.size() - 1); }
    std::u16string_view Line(int line) const {
        return std::u16string_view(text_).substr(starts_[size_t(line)],
                                                 starts_[size_t(line) + 1] - starts_[size_t(line)]);
    }
    bool Blank(int line) const { return starts_[size_t(line)] == starts_[size_t(line) + 1]; }

    // The non-empty lines, in order: the k-th one's line number, and a line's place among them.
    int NonEmptyCount() const { return int(nonEmpty_.size()); }
    int NonEmptyLine(int k) const { return nonEmpty_[size_t(k)]; }
    // The next / previous non-empty line after / before `line`, or kNone.
    int NextNonEmpty(int line) const;
    int PreviousNonEmpty(int line) const;
    int FirstNonEmpty() const { return nonEmpty_.empty() ? kNone : nonEmpty_.front(); }
    int LastNonEmpty() const { return nonEmpty_.empty() ? kNone : nonEmpty_.back(); }

    size_t MemoryBytes() const {
        return text_.capacity() * sizeof(char16_t) + starts_.capacity() * sizeof(uint32_t) +
               nonEmpty_.capacity() * sizeof(uint16_t);
    }
    void ShrinkToFit();

private:
    std::u16string text_;
    std::vector<uint32_t> starts_;
    std::vector<uint16_t> nonEmpty_;
};

// One book of the library.
struct VEMBrowseFile {
    std::u16string author;  // record 48; empty when unknown
    std::u16string title;   // record 49
    std::filesystem::path path;
    std::string sourceName;  // record 8, the imported document's file name (UTF-8)
    int64_t sourceSize = 0;  // record 7
    PreviewLines lines;
    bool special = false;   // not a text: listed under "Not Text Files" and never derived
    bool modified = false;  // author or title changed and not yet in the file
    // The HTML title found while the book was imported in this run; never stored.
    std::u16string sourceTitle;

    // The derivation's state, valid for one rebuild.
    bool resolved = false;
    int32_t score = 0;
    int32_t candidateLine = INT32_MAX;
    std::u16string candidate;
    bool refined = false;
    std::u16string refinedAuthor;
    std::u16string refinedTitle;
    size_t order = 0;  // place in the library's list

    // The window's measure of the widest preview line shown, for `widestForLines` lines; -1 until
    // measured.
    int32_t widestPreviewPx = -1;
    int32_t widestForLines = 0;
};

}  // namespace corvalin
