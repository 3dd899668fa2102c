#include "import/HtmlToText.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "import/HtmlEntities.h"

namespace corvalin {
namespace {

// Tags that end a line. A closing tag ends one only where it is listed on its own.
constexpr std::u16string_view kBlockTags[] = {
    u"P",     u"BR",  u"HTML", u"HEAD", u"BODY", u"CENTER", u"/CENTER", u"BLINK",  u"/BLINK",
    u"DL",    u"/DL", u"UL",   u"/UL",  u"OL",   u"/OL",    u"TABLE",   u"/TABLE", u"FORM",
    u"/FORM", u"DD",  u"TH",   u"TD",   u"TR",   u"LI",     u"H1",      u"/H1",    u"H2",
    u"/H2",   u"H3",  u"/H3",  u"H4",   u"/H4",  u"H5",     u"/H5",     u"H6",     u"/H6",
};
static_assert(std::size(kBlockTags) == 36);

// Numeric references to 128..159 name the characters Windows-1252 puts there, as every
// browser reads them; the five holes of that code page stay as they are.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char16_t kReplacement = 0xFFFD;

bool IsTagSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f'; }

bool IsNameUnit(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'#';
}

char16_t Upper(char16_t c) { return (c >= u'a' && c <= u'z') ? char16_t(c - 32) : c; }

// The value of "#65" or "#x41" (the name after "&"), or 0 when it is not a number. Large
// values saturate just above the last code point.
uint32_t NumericReference(std::u16string_view name) {
    name.remove_prefix(1);
    uint32_t base = 10;
    if (!name.empty() && (name[0] == u'x' || name[0] == u'X')) {
        base = 16;
        name.remove_prefix(1);
    }
    if (name.empty()) return 0;
    uint32_t value = 0;
    for (char16_t c : name) {
        uint32_t digit;
        if (c >= u'0' && c <= u'9') {
            digit = c - u'0';
        } else if (base == 16 && c >= u'a' && c <= u'f') {
            digit = c - u'a' + 10;
        } else if (base == 16 && c >= u'A' && c <= u'F') {
            digit = c - u'A' + 10;
        } else {
            return 0;
        }
        value = std::min<uint32_t>(value * base + digit, 0x110000);
    }
    return value;
}

}  // namespace

HtmlToText::HtmlToText(TextSource& input) : input_(input) {}

bool HtmlToText::Fill(size_t wanted) {
    if (inEnd_ - inPos_ >= wanted) return true;
    if (inputEnded_) return inEnd_ > inPos_;
    // Keep the unread tail and read behind it.
    const size_t kept = inEnd_ - inPos_;
    std::memmove(in_, in_ + inPos_, kept * sizeof(char16_t));
    consumed_ += inPos_;
    inPos_ = 0;
    inEnd_ = kept;
    while (inEnd_ < wanted && !inputEnded_) {
        const size_t n = input_.ReadUnits(in_ + inEnd_, std::size(in_) - inEnd_);
        if (n == 0) inputEnded_ = true;
        inEnd_ += n;
    }
    return inEnd_ > inPos_;
}

bool HtmlToText::Convert(std::u16string& out, size_t minUnits) {
    const size_t start = out.size();
    while (out.size() - start < minUnits) {
        if (inPos_ == inEnd_ && !Fill(1)) break;
        if (rawText_ != RawText::None) {
            SkipRawText();
            continue;
        }
        const char16_t c = in_[inPos_];
        if (c == u'<') {
            ++inPos_;
            ReadTag(out);
        } else if (c == u'&') {
            ++inPos_;
            ReadReference(out);
        } else if (titleState_ != TitleState::Open) {
            TextRun(out);
        } else {
            ++inPos_;
            Character(c, out);
        }
    }
    return out.size() > start || !Finished();
}

void HtmlToText::TextRun(std::u16string& out) {
    // Most of a page is text between tags: the rules of Character for a whole run, written
    // straight into `out` (the title, when open, takes the slow way through Append).
    const char16_t* from = in_ + inPos_;
    const char16_t* const end = std::find_if(from, static_cast<const char16_t*>(in_ + inEnd_),
                                             [](char16_t c) { return c == u'<' || c == u'&'; });
    const size_t base = out.size();
    out.resize(base + size_t(end - from));
    char16_t* to = out.data() + base;
    bool spaceWritten = spaceWritten_;
    bool atLineStart = atLineStart_;
    for (; from < end; ++from) {
        const char16_t c = *from;
        if (c > 0x20) {
            *to++ = c;
            spaceWritten = false;
            atLineStart = false;
        } else if (c == kPreformattedEnd || c == kPreformattedStart) {
            continue;
        } else if (preformatted_) {
            *to++ = c;
            atLineStart = false;
        } else if (!spaceWritten) {
            spaceWritten = true;
            if (c == u' ' || c == u'\t') {
                *to++ = c;
                atLineStart = false;
            } else {
                *to++ = u' ';
            }
        }
    }
    out.resize(size_t(to - out.data()));
    inPos_ = size_t(from - in_);
    spaceWritten_ = spaceWritten;
    atLineStart_ = atLineStart;
}

void HtmlToText::Append(char16_t unit, std::u16string& out) {
    out.push_back(unit);
    if (titleState_ == TitleState::Open && title_.size() < kMaxTitleUnits)
        title_.push_back(unit < 0x20 ? u' ' : unit);
}

void HtmlToText::Character(char16_t unit, std::u16string& out) {
    // The two marker units are reserved; a document's own ones carry no meaning.
    if (unit == kPreformattedEnd || unit == kPreformattedStart) return;
    if (unit > 0x20) {
        Append(unit, out);
        spaceWritten_ = false;
        atLineStart_ = false;
    } else if (preformatted_) {
        Append(unit, out);
        atLineStart_ = false;
    } else if (unit == u' ' || unit == u'\t') {
        if (spaceWritten_) return;
        spaceWritten_ = true;
        Append(unit, out);
        atLineStart_ = false;
    } else if (!spaceWritten_) {
        // Line ends and other controls in running text are one more space; they do not
        // count as text on the line, so a block tag right after still starts no new one.
        spaceWritten_ = true;
        Append(u' ', out);
    }
}

void HtmlToText::ReadTag(std::u16string& out) {
    // Scanned as it streams by, never kept: "<" with no ">" may run to the document's end.
    bool blockTag = false;
    bool comment = false;
    bool quoted = false;
    size_t textLength = 0;
    char16_t last = 0, beforeLast = 0;
    tokenLength_ = 0;
    while (inPos_ < inEnd_ || Fill(1)) {
        const char16_t c = in_[inPos_++];
        if (c == u'>' && (!comment || (beforeLast == u'-' && last == u'-'))) break;
        ++textLength;
        beforeLast = last;
        last = c;
        if (comment) continue;
        if (textLength == 3 && tokenLength_ == 2 && token_[0] == u'!' && token_[1] == u'-' && c == u'-') {
            // A comment is not markup: what it holds, ">" included, is passed over up to "-->".
            comment = true;
            tokenLength_ = 0;
            continue;
        }
        if (c == u'"') quoted = !quoted;
        if (!quoted && IsTagSpace(c)) {
            EndToken(blockTag, out);
            continue;
        }
        if (tokenLength_ < kTokenKept) token_[tokenLength_] = Upper(c);
        if (tokenLength_ <= kTokenKept) ++tokenLength_;
    }
    if (!comment) EndToken(blockTag, out);
    // "<script ... />" has no contents to pass over.
    if (rawTextOpened_ != RawText::None && last != u'/') rawText_ = rawTextOpened_;
    rawTextOpened_ = RawText::None;
    if (!blockTag) return;
    if (titleState_ == TitleState::Open) {
        titleState_ = TitleState::None;
        title_.clear();
    }
    if (!atLineStart_) {
        atLineStart_ = true;
        Append(u'\n', out);
    }
}

void HtmlToText::EndToken(bool& blockTag, std::u16string& out) {
    size_t length = tokenLength_;
    tokenLength_ = 0;
    if (length == 0 || length > kTokenKept) return;
    // "<br/>" is "<br />" written tight.
    if (length > 1 && token_[length - 1] == u'/') --length;
    const std::u16string_view token(token_, length);
    if (token == u"PRE") {
        // The marker is not text: it leaves the line's white-space state alone.
        if (!preformatted_) {
            preformatted_ = true;
            out.push_back(kPreformattedStart);
        }
    } else if (token == u"/PRE") {
        if (preformatted_) {
            preformatted_ = false;
            out.push_back(kPreformattedEnd);
        }
    } else if (token == u"TITLE") {
        if (titleState_ == TitleState::None) {
            titleState_ = TitleState::Open;
            title_.clear();
        }
    } else if (token == u"SCRIPT") {
        rawTextOpened_ = RawText::Script;
    } else if (token == u"STYLE") {
        rawTextOpened_ = RawText::Style;
    } else if (token == u"/TITLE") {
        if (titleState_ == TitleState::Open) {
            const size_t first = title_.find_first_not_of(u' ');
            const size_t last = title_.find_last_not_of(u' ');
            title_ =
                first == std::u16string::npos ? std::u16string() : title_.substr(first, last - first + 1);
            titleState_ = title_.empty() ? TitleState::None : TitleState::Done;
        }
    } else if (std::find(std::begin(kBlockTags), std::end(kBlockTags), token) != std::end(kBlockTags)) {
        blockTag = true;
    }
}

void HtmlToText::SkipRawText() {
    // Code and style rules are not text: everything up to the closing tag is passed over, the
    // "<" of that tag left for ReadTag.
    const std::u16string_view closing = rawText_ == RawText::Script ? u"</SCRIPT" : u"</STYLE";
    while (inPos_ < inEnd_ || Fill(1)) {
        const char16_t* lt = std::find(in_ + inPos_, in_ + inEnd_, u'<');
        inPos_ = size_t(lt - in_);
        if (inPos_ == inEnd_) continue;
        Fill(closing.size());
        const size_t available = std::min(inEnd_ - inPos_, closing.size());
        size_t matched = 0;
        while (matched < available && Upper(in_[inPos_ + matched]) == closing[matched]) ++matched;
        if (matched == closing.size()) {
            rawText_ = RawText::None;
            return;
        }
        ++inPos_;
    }
}

void HtmlToText::ReadReference(std::u16string& out) {
    Fill(kMaxReferenceName + 1);
    const size_t available = inEnd_ - inPos_;
    size_t length = 0;
    bool terminated = false;
    while (length < available && length <= kMaxReferenceName) {
        const char16_t c = in_[inPos_ + length];
        if (c == u';') {
            terminated = true;
            break;
        }
        if (!IsNameUnit(c)) break;
        ++length;
    }
    if (!terminated) {
        // A bare ampersand ("AT&T rules", "a & b"): it stands for itself and what follows is
        // read as text again.
        Character(u'&', out);
        return;
    }
    const std::u16string_view name(in_ + inPos_, length);
    inPos_ += length + 1;
    if (name.empty()) return;
    if (name[0] == u'#') {
        uint32_t value = NumericReference(name);
        if (value >= 0x80 && value < 0xA0) value = kWindows1252High[value - 0x80];
        if (value < 0x20 || value > 0x10FFFF) return;
        if (value >= 0x10000) {
            value -= 0x10000;
            Character(char16_t(0xD800 + (value >> 10)), out);
            Character(char16_t(0xDC00 + (value & 0x3FF)), out);
        } else {
            Character((value >= 0xD800 && value <= 0xDFFF) ? kReplacement : char16_t(value), out);
        }
        return;
    }
    const int unit = FindHtmlEntity(name);
    if (unit >= 0) {
        Character(char16_t(unit), out);
        return;
    }
    Character(u'&', out);
    for (char16_t c : name) Character(c, out);
    Character(u';', out);
}

HtmlTextSource::HtmlTextSource(std::unique_ptr<TextSource> input)
    : input_(std::move(input)), converter_(*input_) {}

size_t HtmlTextSource::ReadUnits(char16_t* out, size_t capacity) {
    constexpr size_t kChunk = 16384;
    while (pendingPos_ == pending_.size()) {
        pending_.clear();
        pendingPos_ = 0;
        if (!converter_.Convert(pending_, kChunk)) return 0;
    }
    const size_t left = pending_.size() - pendingPos_;
    size_t n = std::min(capacity, left);
    // Keep a surrogate pair together.
    if (n < left && n > 1 && pending_[pendingPos_ + n - 1] >= 0xD800 &&
        pending_[pendingPos_ + n - 1] <= 0xDBFF)
        --n;
    std::memcpy(out, pending_.data() + pendingPos_, n * sizeof(char16_t));
    pendingPos_ += n;
    return n;
}

}  // namespace corvalin
