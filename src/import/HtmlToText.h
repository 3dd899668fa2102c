#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "import/TextSource.h"

namespace corvalin {

// Units the converter writes into its text besides the document's own characters. The book
// builder's line reader takes them from a line's leading white space.
constexpr char16_t kPreformattedEnd = 0x0001;
constexpr char16_t kPreformattedStart = 0x0002;

// Turns HTML, already decoded into UTF-16 by the code page reader, into plain lines on the
// fly: tags are dropped (a block tag ends the line), the contents of <script> and <style>
// passed over, character references resolved, white space collapsed outside <pre>, <pre>
// blocks marked with kPreformattedStart/End, and the <title> kept aside for the library.
//
// The document is untrusted: a tag or a comment is scanned without being kept, only the first
// few letters of each word in it are looked at, a reference name is looked ahead at most
// kMaxReferenceName units, and the title keeps at most kMaxTitleUnits units. Memory stays the
// same whatever the input.
//
// The input is read forward only. The converter does not own it; it must outlive the converter.
class HtmlToText {
public:
    static constexpr size_t kMaxReferenceName = 32;
    static constexpr size_t kMaxTitleUnits = 1024;

    explicit HtmlToText(TextSource& input);
    HtmlToText(const HtmlToText&) = delete;
    HtmlToText& operator=(const HtmlToText&) = delete;

    // Converts the next piece of the document and appends it to `out`: at least one unit
    // unless the document is used up. False once there is nothing left to convert.
    bool ConvertStep(std::u16string& out) { return Convert(out, 1); }
    // The same, running on until at least `minUnits` units were appended or the document ends
    // (it may append a few more). Cutting the work into steps of any size gives the same text.
    bool Convert(std::u16string& out, size_t minUnits);
    bool Finished() const { return inputEnded_ && inPos_ == inEnd_; }

    // The text between <title> and </title> as it converted (references resolved, white space
    // collapsed, ends trimmed); empty until a closing tag completes a title. A block tag
    // between the two cancels it, and a later <title> may then set it.
    const std::u16string& Title() const { return titleState_ == TitleState::Done ? title_ : kNoTitle; }
    // Input units consumed so far.
    uint64_t SourcePosition() const { return consumed_ + inPos_; }

private:
    enum class TitleState : uint8_t { None, Open, Done };

    bool Fill(size_t wanted);
    enum class RawText : uint8_t { None, Script, Style };

    void ReadTag(std::u16string& out);
    void EndToken(bool& blockTag, std::u16string& out);
    void SkipRawText();
    void ReadReference(std::u16string& out);
    void Character(char16_t unit, std::u16string& out);
    void TextRun(std::u16string& out);
    void Append(char16_t unit, std::u16string& out);

    TextSource& input_;
    // A window of the input: units [inPos_, inEnd_) are read but not yet converted. The slack
    // after kInputBlock lets a reference name be looked ahead across a block's end.
    static constexpr size_t kInputBlock = 8192;
    char16_t in_[kInputBlock + kMaxReferenceName + 2];
    size_t inPos_ = 0;
    size_t inEnd_ = 0;
    uint64_t consumed_ = 0;
    bool inputEnded_ = false;

    bool preformatted_ = false;
    bool spaceWritten_ = false;
    bool atLineStart_ = false;

    // The word of a tag being scanned: its first letters upper-cased, and its full length.
    static constexpr size_t kTokenKept = 8;
    char16_t token_[kTokenKept] = {};
    size_t tokenLength_ = 0;

    // Inside <script> or <style>, up to the closing tag; `rawTextOpened_` is set by the opening
    // tag's name and takes effect when the tag ends.
    RawText rawText_ = RawText::None;
    RawText rawTextOpened_ = RawText::None;

    TitleState titleState_ = TitleState::None;
    std::u16string title_;  // while open, the text so far
    static inline const std::u16string kNoTitle;
};

// The converter as a text source, so the book builder reads the converted text.
class HtmlTextSource : public TextSource {
public:
    explicit HtmlTextSource(std::unique_ptr<TextSource> input);
    int64_t SourceBytes() const override { return input_->SourceBytes(); }
    size_t ReadUnits(char16_t* out, size_t capacity) override;
    // Final once ReadUnits has returned 0.
    const std::u16string& Title() const { return converter_.Title(); }

private:
    std::unique_ptr<TextSource> input_;
    HtmlToText converter_;
    std::u16string pending_;
    size_t pendingPos_ = 0;
};

}  // namespace corvalin
