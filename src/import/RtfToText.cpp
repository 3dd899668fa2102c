#include "import/RtfToText.h"

#include <algorithm>
#include <fstream>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/ByteReader.h"
#include "base/MappedFile.h"
#include "store/FileError.h"

namespace corvalin {
namespace {

constexpr int kDefaultCodePage = 1252;
// Windows' number for the symbol "code page": a symbol font's bytes are glyph numbers.
constexpr int kSymbolCodePage = 42;
// Control words are at most 32 letters and their parameters fit in 16 bits (32 for a few);
// longer ones are read to their end and cut.
constexpr size_t kMaxWordLetters = 32;
constexpr int kMaxParameterDigits = 10;
// Fonts a document may define; a font table lists a few dozen.
constexpr size_t kMaxFonts = 4096;

// Destinations whose text is never shown: tables of the document header, document
// information, pictures and object data, page furniture, notes, field instructions, shapes,
// and the rest of the known destinations that hold no running text. Sorted.
// clang-format off
constexpr std::string_view kHiddenDestinations[] = {
    "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn", "atnid",
    "atnparent", "atnref", "atntime", "atrfend", "atrfstart", "author", "background", "bkmkend",
    "bkmkstart", "blipuid", "buptim", "category", "colorschememapping", "colortbl", "comment",
    "company", "creatim", "datafield", "datastore", "defchp", "defpap", "do", "doccomm", "docvar",
    "dptxbxtext", "ebcend", "ebcstart", "factoidname", "falt", "fchars", "ffdeftext", "ffentrymcr",
    "ffexitmcr", "ffformat", "ffhelptext", "ffl", "ffname", "ffstattext", "file", "filetbl", "fldinst",
    "fldtype", "fname", "fontemb", "fontfile", "footer", "footerf", "footerl", "footerr", "footnote",
    "formfield", "ftncn", "ftnsep", "ftnsepc", "generator", "gridtbl", "header", "headerf", "headerl",
    "headerr", "hlfr", "hlinkbase", "hlloc", "hlsrc", "hsv", "info", "keywords", "latentstyles",
    "lchars", "levelnumbers", "leveltext", "lfolevel", "linkval", "listoverridetable", "listpicture",
    "listtable", "lsdlockedexcept", "mailmerge", "manager", "mmathPr", "nesttableprops", "nextfile",
    "nonesttables", "nonshppict", "objalias", "objclass", "objdata", "objname", "objsect", "objtime",
    "oldcprops", "oldpprops", "oldsprops", "oldtprops", "oleclsid", "operator", "panose", "password",
    "passwordhash", "pgdsctbl", "pgptbl", "picprop", "pict", "pn", "pnseclvl", "printim", "private",
    "propname", "protend", "protstart", "protusertbl", "pxe", "revtbl", "revtim", "rsidtbl", "rxe",
    "shp", "shpgrp", "shpinst", "shppict", "shprslt", "shptxt", "sn", "sp", "staticval", "stylesheet",
    "subject", "sv", "svb", "tc", "template", "themedata", "title", "txe", "userprops", "wgrffmtfilter",
    "windowcaption", "writereservation", "writereservhash", "xe", "xform", "xmlattrname",
    "xmlattrvalue", "xmlclose", "xmlname", "xmlnstbl", "xmlopen",
};
// clang-format on
static_assert(std::is_sorted(std::begin(kHiddenDestinations), std::end(kHiddenDestinations)));

struct Symbol {
    std::string_view word;
    char16_t unit;
};
// Control words that stand for one character. Sorted.
// clang-format off
constexpr Symbol kSymbols[] = {
    {"bullet", 0x2022}, {"cell", u'\t'}, {"emdash", 0x2014}, {"emspace", 0x2003}, {"endash", 0x2013},
    {"enspace", 0x2002}, {"ldblquote", 0x201C}, {"lquote", 0x2018}, {"ltrmark", 0x200E},
    {"nestcell", u'\t'}, {"qmspace", 0x2005}, {"rdblquote", 0x201D}, {"rquote", 0x2019},
    {"rtlmark", 0x200F}, {"tab", u'\t'}, {"zwbo", 0x200B}, {"zwj", 0x200D}, {"zwnj", 0x200C},
};
// clang-format on
static_assert(std::is_sorted(std::begin(kSymbols), std::end(kSymbols),
                             [](const Symbol& a, const Symbol& b) { return a.word < b.word; }));

// The code page a font's \fcharset stands for; 0 where the document's own applies.
int CharsetCodePage(int64_t charset) {
    switch (charset) {
        case 0:
            return 1252;
        case 2:
            return kSymbolCodePage;
        case 77:
            return 10000;
        case 78:
            return 10001;
        case 79:
            return 10003;
        case 80:
            return 10008;
        case 81:
            return 10002;
        case 83:
            return 10005;
        case 84:
            return 10004;
        case 85:
            return 10006;
        case 86:
            return 10081;
        case 87:
            return 10021;
        case 88:
            return 10029;
        case 89:
            return 10007;
        case 128:
            return 932;
        case 129:
            return 949;
        case 130:
            return 1361;
        case 134:
            return 936;
        case 136:
            return 950;
        case 161:
            return 1253;
        case 162:
            return 1254;
        case 163:
            return 1258;
        case 177:
            return 1255;
        case 178:
            return 1256;
        case 186:
            return 1257;
        case 204:
            return 1251;
        case 222:
            return 874;
        case 238:
            return 1250;
        case 254:
            return 437;
        case 255:
            return 850;
        default:
            return 0;  // 1 (the default charset) and the unknown ones
    }
}

bool IsLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }
int HexValue(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class RtfReader {
public:
    RtfReader(std::span<const uint8_t> rtf, CodePageDecoder& decoder, std::u16string& text)
        : in_(rtf), decoder_(decoder), text_(text), outputLimit_(2 * rtf.size()) {}

    Verdict Run();

private:
    enum class Kind : uint8_t {
        Text,            // running text, or a destination whose text is passed over (`hidden`)
        FontTable,       // \fonttbl and the groups inside it
        Upr,             // \upr: an 8-bit text and its Unicode twin
        UprAlternative,  // a group inside \upr, shown only when it turns out to be \ud
    };
    struct Group {
        int font = -1;  // -1: the document's default font
        int unicodeSkip = 1;
        bool hidden = false;     // a destination that is not shown
        bool invisible = false;  // \v
        bool uprOuterHidden = false;
        Kind kind = Kind::Text;
    };

    bool Shown() const { return !group_.hidden && !group_.invisible; }
    int CodePage() const;
    void ControlSequence();
    void ControlWord(std::string_view word, bool hasParameter, int64_t parameter);
    void TextByte(uint8_t byte);
    void Emit(char16_t unit);
    void EndLine() { Emit(u'\n'); }
    void Flush();
    void Output(const char16_t* units, size_t count);

    ByteReader in_;
    CodePageDecoder& decoder_;
    std::u16string& text_;
    const size_t outputLimit_;

    std::vector<Group> outer_;  // the groups around the current one
    Group group_;
    int documentCodePage_ = kDefaultCodePage;
    int defaultFont_ = -1;
    int fontBeingDefined_ = -1;
    std::unordered_map<int, int> fontCodePages_;
    // Characters still to pass over after a \u (its 8-bit stand-in).
    int skipCount_ = 0;
    bool ignorableNext_ = false;
    // Text bytes not yet decoded: a double-byte character may arrive as two \'hh.
    std::vector<uint8_t> pending_;
    int pendingCodePage_ = kDefaultCodePage;
    std::u16string decoded_;
};

Verdict RtfReader::Run() {
    while (!in_.AtEnd() &&
           (in_.Peek() == ' ' || in_.Peek() == '\r' || in_.Peek() == '\n' || in_.Peek() == '\t'))
        in_.Skip(1);
    if (in_.TakeChars(std::min<size_t>(5, in_.Remaining())) != "{\\rtf")
        return Verdict::Bad(VerdictKind::NotThisFormat, "signature",
                            "RTF: the document does not begin with {\\rtf");
    in_.Seek(in_.Position() - 5);

    bool started = false;
    while (!in_.AtEnd()) {
        const uint8_t byte = in_.U8();
        switch (byte) {
            case '{':
                Flush();
                skipCount_ = 0;
                if (!started) {
                    started = true;
                    break;
                }
                if (outer_.size() + 1 >= size_t(kMaxRtfGroupDepth)) {
                    return Verdict::Bad(
                        VerdictKind::Damaged, "group nesting",
                        "RTF: groups nested deeper than " + std::to_string(kMaxRtfGroupDepth) + " levels");
                }
                outer_.push_back(group_);
                if (group_.kind == Kind::Upr) {
                    group_.kind = Kind::UprAlternative;
                    group_.uprOuterHidden = group_.hidden;
                    group_.hidden = true;
                } else if (group_.kind == Kind::UprAlternative) {
                    group_.kind = Kind::Text;
                }
                break;
            case '}':
                Flush();
                skipCount_ = 0;
                ignorableNext_ = false;
                if (outer_.empty()) return Verdict::Good();  // the document's last brace
                group_ = outer_.back();
                outer_.pop_back();
                break;
            case '\\':
                ControlSequence();
                break;
            case '\r':
            case '\n':
                break;  // line breaks of the file itself are not text
            default:
                TextByte(byte);
        }
    }
    Flush();
    return Verdict::Good();
}

int RtfReader::CodePage() const {
    const int font = group_.font >= 0 ? group_.font : defaultFont_;
    if (font >= 0) {
        const auto found = fontCodePages_.find(font);
        if (found != fontCodePages_.end() && found->second != 0) return found->second;
    }
    return documentCodePage_;
}

void RtfReader::ControlSequence() {
    if (in_.AtEnd()) return;
    if (!IsLetter(in_.Peek())) {
        const uint8_t symbol = in_.U8();
        if (symbol == '\'') {
            const int high = HexValue(in_.Peek());
            if (high < 0) return;
            in_.Skip(1);
            const int low = HexValue(in_.Peek());
            if (low < 0) return;
            in_.Skip(1);
            TextByte(uint8_t(high << 4 | low));
            return;
        }
        if (symbol == '\\' || symbol == '{' || symbol == '}') {
            TextByte(symbol);
            return;
        }
        if (skipCount_ > 0) {
            --skipCount_;
            return;
        }
        switch (symbol) {
            case '~':
                Emit(0x00A0);
                break;
            case '-':
                Emit(0x00AD);
                break;
            case '_':
                Emit(0x2011);
                break;
            case '*':
                ignorableNext_ = true;
                break;
            case '\r':
            case '\n':
                EndLine();
                break;
            case '\t':
                Emit(u'\t');
                break;
            default:
                break;  // \: \| and the rest carry no text
        }
        return;
    }

    char word[kMaxWordLetters];
    size_t letters = 0;
    while (IsLetter(in_.Peek())) {
        const uint8_t c = in_.U8();
        if (letters < kMaxWordLetters) word[letters] = char(c);
        ++letters;
    }
    bool hasParameter = false;
    bool negative = false;
    int64_t parameter = 0;
    if (in_.Peek() == '-') {
        in_.Skip(1);
        negative = true;
    }
    int digits = 0;
    while (IsDigit(in_.Peek())) {
        const int digit = in_.U8() - '0';
        if (digits++ < kMaxParameterDigits) parameter = parameter * 10 + digit;
        hasParameter = true;
    }
    if (negative) parameter = -parameter;
    if (in_.Peek() == ' ') in_.Skip(1);  // the delimiter belongs to the word
    const std::string_view name(word, std::min(letters, kMaxWordLetters));
    ControlWord(letters > kMaxWordLetters ? std::string_view() : name, hasParameter, parameter);
}

void RtfReader::ControlWord(std::string_view word, bool hasParameter, int64_t parameter) {
    Flush();
    if (word == "bin") {
        // Binary data: passed over whole, whatever it holds.
        const int64_t length = std::max<int64_t>(parameter, 0);
        in_.Skip(std::min<size_t>(size_t(length), in_.Remaining()));
        if (skipCount_ > 0) --skipCount_;
        return;
    }
    if (skipCount_ > 0) {
        --skipCount_;
        return;
    }
    const bool ignorable = ignorableNext_;
    ignorableNext_ = false;

    if (word == "ud") {
        // The Unicode twin inside \upr is shown where its group would have been.
        if (group_.kind == Kind::UprAlternative) group_.hidden = group_.uprOuterHidden;
        return;
    }
    if (ignorable) {
        group_.hidden = true;
        return;
    }
    if (word == "fonttbl") {
        group_.kind = Kind::FontTable;
        group_.hidden = true;
        return;
    }
    if (group_.kind == Kind::FontTable) {
        if (word == "f" && hasParameter) {
            fontBeingDefined_ = int(parameter);
        } else if ((word == "fcharset" || word == "cpg") && fontBeingDefined_ >= 0 &&
                   (fontCodePages_.size() < kMaxFonts || fontCodePages_.count(fontBeingDefined_))) {
            const int codePage = word == "fcharset" ? CharsetCodePage(parameter)
                                                    : int(std::clamp<int64_t>(parameter, 0, 65535));
            // \cpg names the code page exactly; it wins over the charset.
            if (word == "cpg" || !fontCodePages_.count(fontBeingDefined_))
                fontCodePages_[fontBeingDefined_] = codePage;
        }
        return;
    }
    if (std::binary_search(std::begin(kHiddenDestinations), std::end(kHiddenDestinations), word)) {
        group_.hidden = true;
        return;
    }
    const auto symbol = std::lower_bound(std::begin(kSymbols), std::end(kSymbols), word,
                                         [](const Symbol& s, std::string_view w) { return s.word < w; });
    if (symbol != std::end(kSymbols) && symbol->word == word) {
        Emit(symbol->unit);
        return;
    }
    if (word == "par" || word == "line" || word == "row" || word == "nestrow") {
        EndLine();
    } else if (word == "sect" || word == "page") {
        // A break between paragraphs adds no empty line; one inside a paragraph ends it.
        if (!text_.empty() && text_.back() != u'\n') EndLine();
    } else if (word == "u" && hasParameter) {
        // A signed 16-bit value; its 8-bit stand-in follows and is passed over.
        int64_t value = parameter;
        if (value < 0) value += 65536;
        if (value >= 0 && value <= 0xFFFF) Emit(char16_t(value));
        skipCount_ = group_.unicodeSkip;
    } else if (word == "uc") {
        group_.unicodeSkip = int(std::clamp<int64_t>(hasParameter ? parameter : 1, 0, 255));
    } else if (word == "f" && hasParameter) {
        group_.font = int(std::clamp<int64_t>(parameter, 0, 65535));
    } else if (word == "plain") {
        group_.font = -1;
        group_.invisible = false;
    } else if (word == "v") {
        group_.invisible = !hasParameter || parameter != 0;
    } else if (word == "upr") {
        group_.kind = Kind::Upr;
    } else if (word == "deff" && hasParameter) {
        defaultFont_ = int(std::clamp<int64_t>(parameter, 0, 65535));
    } else if (word == "ansicpg" && hasParameter && parameter > 0 && parameter <= 65535) {
        documentCodePage_ = int(parameter);
    } else if (word == "ansi") {
        documentCodePage_ = 1252;
    } else if (word == "mac") {
        documentCodePage_ = 10000;
    } else if (word == "pc") {
        documentCodePage_ = 437;
    } else if (word == "pca") {
        documentCodePage_ = 850;
    }
}

void RtfReader::TextByte(uint8_t byte) {
    if (skipCount_ > 0) {
        --skipCount_;
        return;
    }
    if (!Shown()) return;
    if (byte == '\t') {
        Emit(u'\t');
        return;
    }
    if (byte < 0x20) return;
    if (pending_.empty()) pendingCodePage_ = CodePage();
    pending_.push_back(byte);
}

void RtfReader::Emit(char16_t unit) {
    if (!Shown()) return;
    Flush();
    // 0 ends nothing here, and 1 and 2 are the book builder's markers.
    if (unit <= 2) return;
    Output(&unit, 1);
}

void RtfReader::Output(const char16_t* units, size_t count) {
    count = std::min(count, outputLimit_ - std::min(outputLimit_, text_.size()));
    text_.append(units, count);
}

void RtfReader::Flush() {
    if (pending_.empty()) return;
    const bool ascii = std::all_of(pending_.begin(), pending_.end(), [](uint8_t b) { return b < 0x80; });
    decoded_.clear();
    if (pendingCodePage_ == kSymbolCodePage) {
        for (uint8_t b : pending_) decoded_.push_back(char16_t(0xF000 + b));
    } else if (ascii) {
        decoded_.assign(pending_.begin(), pending_.end());
    } else if (!decoder_.Decode(pendingCodePage_, pending_, decoded_) &&
               !decoder_.Decode(kDefaultCodePage, pending_, decoded_)) {
        decoded_.assign(pending_.begin(), pending_.end());
    }
    std::erase_if(decoded_, [](char16_t u) { return u <= 2; });
    Output(decoded_.data(), std::min(decoded_.size(), 2 * pending_.size()));
    pending_.clear();
}

}  // namespace

Verdict RtfToText(std::span<const uint8_t> rtf, CodePageDecoder& decoder, std::u16string& text) {
    text.clear();
    RtfReader reader(rtf, decoder, text);
    return reader.Run();
}

Verdict ConvertRtf(const std::filesystem::path& rtfPath, const std::filesystem::path& textPath,
                   CodePageDecoder& decoder) {
    MappedFile file;
    if (!file.Open(rtfPath)) throw FileError("cannot read " + rtfPath.string() + ": " + file.Error());
    std::u16string text;
    const Verdict verdict = RtfToText(file.Bytes(), decoder, text);
    if (!verdict) return verdict;
    std::string bytes;
    bytes.reserve(2 + 2 * text.size());
    bytes += "\xFF\xFE";
    for (char16_t unit : text) {
        bytes += char(unit & 0xFF);
        bytes += char(unit >> 8);
    }
    std::ofstream out(textPath, std::ios::binary | std::ios::trunc);
    if (!out || !out.write(bytes.data(), std::streamsize(bytes.size())) || !out.flush())
        throw FileError("cannot write " + textPath.string());
    return verdict;
}

}  // namespace corvalin
