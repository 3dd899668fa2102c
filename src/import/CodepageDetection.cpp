#include "import/CodepageDetection.h"

#include <unicode/uchar.h>
#include <unicode/ucsdet.h>
#include <unicode/uscript.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "import/CodepageList.h"
#include "import/CodepageSource.h"

namespace corvalin {
namespace {

constexpr size_t kSampleBytes = 64 * 1024;
// The pages ICU proposes are read and scored on less: 16 KB tell them apart as well.
constexpr size_t kScoredBytes = 16 * 1024;
// Below this score no page is offered: the text reads as junk through every candidate.
constexpr double kLeastScore = 10;

// The 150 most frequent letter pairs inside Russian words, counted over about 3.7 MB of
// Russian prose, aphorisms and verse (ё counted as е); together they are about four in
// five of the pairs of ordinary Russian text, while text read through a wrong Cyrillic code
// page (its letters permuted) has about one in five.
constexpr std::u16string_view kRussianPairs =
    u"то ст ен на не ни но ка ко по ов ть ра ет ос ро го ев во ин от ол ли ор ит ло пр ер ве ел ре те ес та "
    u"ва ль де ог да ат од же он ан че ла ны ом ле ем ся ри сл ий об до ак ти ви ал ме за ск се ас мо ее бо "
    u"ой "
    u"ще тв ам чт ру ав ае бы ди ки ма лю со вс ая ар ге му ед из ми им ил ис чи тс ег бе ие нн аз тр ащ вы "
    u"уж ое вг зн ив уд ек ей ше хо кр ад щи ож ик ый жи ду их ча ок пе юб дн ля эт ия лу гд са ят ну др св "
    u"си аю ют оч ус сп ши ку ты ры еб ут га";

// Lower-case alphabets of the languages written in Cyrillic that the single-byte pages
// serve; a text is measured against the one that fits it best.
constexpr std::u16string_view kCyrillicAlphabets[] = {
    u"абвгдеёжзийклмнопрстуфхцчшщъыьэюя",  // Russian
    u"абвгґдеєжзиіїйклмнопрстуфхцчшщьюя",  // Ukrainian
    u"абвгдеёжзійклмнопрстуўфхцчшыьэюя",   // Belarusian
    u"абвгдежзийклмнопрстуфхцчшщъьюя",     // Bulgarian
    u"абвгдђежзијклљмнњопрстћуфхцчџш",     // Serbian
    u"абвгдѓежзѕијклљмнњопрстќуфхцчџш",    // Macedonian
};

constexpr int kCyrillicLowerFirst = 0x430;  // а
constexpr int kCyrillicSpan = 0x70;         // а..я, ѐ..џ, ґ: every lower-case letter above

int CyrillicIndex(char32_t lower) {
    const int index = int(lower) - kCyrillicLowerFirst;
    return index >= 0 && index < kCyrillicSpan ? index : -1;
}

class PairTable {
public:
    PairTable() {
        for (size_t i = 0; i + 1 < kRussianPairs.size(); i += 3) {
            const int a = CyrillicIndex(kRussianPairs[i]);
            const int b = CyrillicIndex(kRussianPairs[i + 1]);
            if (a >= 0 && b >= 0) common_[size_t(a * kCyrillicSpan + b)] = true;
        }
    }
    bool Common(int a, int b) const { return common_[size_t(a * kCyrillicSpan + b)]; }

private:
    std::array<bool, kCyrillicSpan * kCyrillicSpan> common_{};
};

const PairTable& RussianPairs() {
    static const PairTable table;
    return table;
}

bool IsCyrillic(char32_t c) { return c >= 0x400 && c <= 0x4FF; }

// Splits UTF-16 into code points; an unpaired surrogate comes out as U+FFFD.
class CodePoints {
public:
    explicit CodePoints(std::u16string_view text) : text_(text) {}
    bool Next(char32_t& c) {
        if (i_ >= text_.size()) return false;
        const char16_t u = text_[i_++];
        if (u >= 0xD800 && u <= 0xDBFF && i_ < text_.size() && text_[i_] >= 0xDC00 && text_[i_] <= 0xDFFF) {
            c = 0x10000 + ((char32_t(u) - 0xD800) << 10) + (text_[i_++] - 0xDC00);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            c = 0xFFFD;
        } else {
            c = u;
        }
        return true;
    }

private:
    std::u16string_view text_;
    size_t i_ = 0;
};

bool IsLetter(char32_t c) {
    if (c < 0x80) return (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    return u_isalpha(UChar32(c)) != 0;
}

// What a person never writes above ASCII: replacement characters, controls, private-use and
// unassigned code points.
bool IsJunk(char32_t c) {
    if (c <= 0x9F || c == 0xFFFD) return true;
    const int8_t type = u_charType(UChar32(c));
    return type == U_PRIVATE_USE_CHAR || type == U_UNASSIGNED || type == U_CONTROL_CHAR;
}

// Marks that may stand inside a word: apostrophes, hyphens, combining accents.
bool BelongsInWord(char32_t c) {
    if (c == 0x2019 || c == 0x02BC || c == 0x00AD || c == 0x2010 || c == 0x2011 || c == '\'') return true;
    const int8_t type = u_charType(UChar32(c));
    return type == U_NON_SPACING_MARK || type == U_COMBINING_SPACING_MARK;
}

// How plausible a decoding is as written text in any script: no junk, no symbols inside
// words, and (for Latin script) accented letters among plain ones, not words made of
// nothing but accented letters, which is what multi-byte text read as Latin looks like.
double GeneralPlausibility(std::u16string_view text) {
    std::vector<char32_t> points;
    points.reserve(text.size());
    CodePoints walk(text);
    for (char32_t c; walk.Next(c);) points.push_back(c);
    size_t nonAscii = 0, junk = 0, insideWords = 0, symbolsInsideWords = 0;
    size_t latinLetters = 0, accentedLatin = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const char32_t c = points[i];
        if (c < 0x80) {
            // Controls in the ASCII range come from the same bytes whatever the page.
            if ((c | 0x20) >= 'a' && (c | 0x20) <= 'z') ++latinLetters;
            continue;
        }
        ++nonAscii;
        if (IsJunk(c)) {
            ++junk;
            continue;
        }
        const bool letter = IsLetter(c);
        if (letter) {
            UErrorCode status = U_ZERO_ERROR;
            if (uscript_getScript(UChar32(c), &status) == USCRIPT_LATIN) ++latinLetters, ++accentedLatin;
        }
        if (i > 0 && i + 1 < points.size() && IsLetter(points[i - 1]) && IsLetter(points[i + 1])) {
            ++insideWords;
            if (!letter && !BelongsInWord(c)) ++symbolsInsideWords;
        }
    }
    if (nonAscii == 0) return 1;
    const double junkShare = double(junk) / double(nonAscii);
    const double symbolShare = insideWords == 0 ? 0 : double(symbolsInsideWords) / double(insideWords);
    double score = std::clamp(1 - 3 * junkShare, 0.0, 1.0) * std::clamp(1 - 2 * symbolShare, 0.0, 1.0);
    if (latinLetters > 0) {
        const double accented = double(accentedLatin) / double(latinLetters);
        score *= std::clamp(1 - (accented - 0.45) / 0.25, 0.0, 1.0);
    }
    return score;
}

std::u16string DecodeSample(std::span<const uint8_t> sample, int32_t number) {
    std::u16string text;
    try {
        auto source = MakeCodepageSource(std::vector<uint8_t>(sample.begin(), sample.end()), number);
        char16_t block[4096];
        while (const size_t n = source->ReadUnits(block, std::size(block))) text.append(block, n);
    } catch (const std::invalid_argument&) {
        text.clear();
    }
    return text;
}

struct Utf8Check {
    bool valid = true;
    size_t sequences = 0;  // multi-byte characters
};

// `cut` tells that the sample was cut from a longer text, so a sequence broken off at its
// end does not count against it.
Utf8Check CheckUtf8(std::span<const uint8_t> bytes, bool cut) {
    Utf8Check check;
    size_t i = 0;
    while (i < bytes.size()) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t length = 0;
        uint8_t low = 0x80, high = 0xBF;  // the second byte's range
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            check.valid = false;
            return check;
        }
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= bytes.size()) {
                check.valid = cut;
                return check;
            }
            const uint8_t b = bytes[i + k];
            if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) {
                check.valid = false;
                return check;
            }
        }
        ++check.sequences;
        i += length;
    }
    return check;
}

// UTF-16 without a byte-order mark, recognised by the zero high bytes of Latin text.
int32_t UnmarkedUtf16(std::span<const uint8_t> bytes) {
    const size_t pairs = bytes.size() / 2;
    if (pairs < 4) return 0;
    size_t evenZeros = 0, oddZeros = 0;
    for (size_t i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == 0;
        oddZeros += bytes[2 * i + 1] == 0;
    }
    if (oddZeros * 10 >= pairs * 4 && evenZeros * 20 < pairs) return kCodePageUnicode;
    if (evenZeros * 10 >= pairs * 4 && oddZeros * 20 < pairs) return kCodePageUnicodeBigEndian;
    return 0;
}

struct Candidate {
    int32_t number = 0;
    double icuConfidence = 0;
    double score = 0;
    std::u16string text;  // the sample as this page reads it
};

// Windows pages of the same script as an ISO page ICU may name: ICU names the Windows page
// only when bytes 0x80..0x9F occur, and on short texts its guess between the two is weak, so
// both are always tried.
constexpr std::pair<int32_t, int32_t> kSiblings[] = {
    {28591, 1252}, {28592, 1250}, {28597, 1253}, {28599, 1254}, {28598, 1255},
    {28596, 1256}, {28603, 1257}, {28594, 1257}, {54936, 936},  {51949, 949},
};
// Where ICU's detector errs, or has no recognizer at all (866, Mac Cyrillic, KOI8-U).
constexpr int32_t kCyrillicPages[] = {1251, 866, 20866, 28595, 10007, 21866};
// Among pages that read the sample alike, the one met first here is named.
constexpr int32_t kPreference[] = {1252,  1250, 1251, 866,  20866, 932,  936,   949,   950,
                                   51932, 1253, 1254, 1255, 1256,  1257, 28595, 10007, 21866};

int PreferenceOf(int32_t number) {
    const auto* it = std::find(std::begin(kPreference), std::end(kPreference), number);
    return int(it - std::begin(kPreference));
}

void AddCandidate(std::vector<Candidate>& candidates, int32_t number, double icuConfidence) {
    if (number == 0) return;
    for (Candidate& c : candidates) {
        if (c.number == number) {
            c.icuConfidence = std::max(c.icuConfidence, icuConfidence);
            return;
        }
    }
    candidates.push_back({number, icuConfidence, 0, {}});
}

// The pages ICU's detector proposes, with its confidence.
void AddIcuCandidates(std::span<const uint8_t> sample, std::vector<Candidate>& candidates) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCharsetDetector, decltype(&ucsdet_close)> detector(ucsdet_open(&status), &ucsdet_close);
    if (U_FAILURE(status)) return;
    ucsdet_setText(detector.get(), reinterpret_cast<const char*>(sample.data()), int32_t(sample.size()),
                   &status);
    int32_t count = 0;
    const UCharsetMatch** matches = ucsdet_detectAll(detector.get(), &count, &status);
    if (U_FAILURE(status)) return;
    for (int32_t i = 0; i < count; ++i) {
        UErrorCode matchStatus = U_ZERO_ERROR;
        const std::string name = ucsdet_getName(matches[i], &matchStatus);
        const int32_t confidence = ucsdet_getConfidence(matches[i], &matchStatus);
        if (U_FAILURE(matchStatus) || name.rfind("UTF-", 0) == 0)
            continue;  // the Unicode forms are checked apart
        int32_t number = CodePageOfCharsetName(name);
        if (name == "ISO-8859-1") number = 28591;
        if (name == "GB18030") number = 54936;
        if (name == "EUC-KR") number = 51949;
        if (name == "Big5") number = 950;
        AddCandidate(candidates, number, confidence);
        for (const auto& [iso, windows] : kSiblings) {
            if (number == iso) AddCandidate(candidates, windows, confidence);
        }
    }
}

}  // namespace

double CyrillicPlausibility(std::u16string_view text) {
    const PairTable& pairs = RussianPairs();
    size_t foreignWords = 0, cyrillicWords = 0, letters = 0, lower = 0, pairCount = 0, commonPairs = 0;
    size_t otherLetters = 0;
    std::array<size_t, kCyrillicSpan> letterCounts{};
    std::vector<char32_t> word;
    auto finishWord = [&] {
        if (word.empty()) return;
        bool cyrillic = true, nonAscii = false;
        for (char32_t c : word) {
            cyrillic = cyrillic && IsCyrillic(c);
            nonAscii = nonAscii || c >= 0x80;
        }
        if (cyrillic) {
            ++cyrillicWords;
            int previous = -1;
            for (char32_t c : word) {
                const auto lowered = char32_t(u_tolower(UChar32(c)));
                letters += 1;
                lower += lowered == c;
                int index = CyrillicIndex(lowered == 0x451 ? 0x435 : lowered);  // ё as е for pairs
                if (const int own = CyrillicIndex(lowered); own >= 0) ++letterCounts[size_t(own)];
                if (previous >= 0 && index >= 0) {
                    ++pairCount;
                    commonPairs += pairs.Common(previous, index);
                }
                previous = index;
            }
        } else {
            foreignWords += nonAscii;
            otherLetters += word.size();
        }
        word.clear();
    };
    CodePoints walk(text);
    for (char32_t c; walk.Next(c);) {
        if (IsLetter(c)) {
            word.push_back(c);
        } else {
            finishWord();
        }
    }
    finishWord();
    if (cyrillicWords == 0 || letters == 0) return 0;

    // Mostly Cyrillic words, and most letters in them: a few Cyrillic-looking words in Latin
    // text read through a Cyrillic page prove nothing.
    const double wordShare = double(cyrillicWords) / double(cyrillicWords + foreignWords);
    const double letterShare = std::clamp(2 * double(letters) / double(letters + otherLetters), 0.0, 1.0);
    const double pairShare = pairCount == 0 ? 0.5 : double(commonPairs) / double(pairCount);
    const double lowerShare = double(lower) / double(letters);
    double alphabetShare = 0;
    for (std::u16string_view alphabet : kCyrillicAlphabets) {
        size_t inside = 0;
        for (char16_t c : alphabet) inside += letterCounts[size_t(CyrillicIndex(c))];
        alphabetShare = std::max(alphabetShare, double(inside) / double(letters));
    }
    // Prose is mostly lower case; text in capitals is rare but real, so case alone never
    // rules a reading out. The letter pairs weigh most: a wrong Cyrillic page permutes the
    // letters, which keeps words looking like words but not like Russian.
    const double pairFactor = std::clamp(pairShare / 0.55, 0.0, 1.0);
    const double caseFactor = std::clamp(lowerShare / 0.6, 0.5, 1.0);
    return wordShare * letterShare * pairFactor * pairFactor * caseFactor * std::pow(alphabetShare, 4);
}

std::optional<DetectedCodepage> DetectCodepage(std::span<const uint8_t> bytes) {
    if (const int32_t marked = CodePageOfByteOrderMark(bytes.data(), bytes.size()))
        return DetectedCodepage{marked, 100};
    const bool cut = bytes.size() > kSampleBytes;
    const std::span<const uint8_t> sample = bytes.first(std::min(bytes.size(), kSampleBytes));

    if (const int32_t utf16 = UnmarkedUtf16(sample)) return DetectedCodepage{utf16, 80};
    const bool escapes = std::find(sample.begin(), sample.end(), 0x1B) != sample.end();
    const bool eightBit = std::any_of(sample.begin(), sample.end(), [](uint8_t b) { return b >= 0x80; });
    if (!eightBit && !escapes) return std::nullopt;
    if (eightBit) {
        const Utf8Check utf8 = CheckUtf8(sample, cut);
        // Text in another code page is almost never valid UTF-8 beyond a few characters.
        if (utf8.valid && utf8.sequences > 0)
            return DetectedCodepage{kCodePageUtf8, utf8.sequences >= 4 ? 100 : 80};
    }

    std::vector<Candidate> candidates;
    AddIcuCandidates(sample, candidates);
    if (eightBit) {
        for (int32_t page : kCyrillicPages) AddCandidate(candidates, page, 0);
    }
    for (Candidate& c : candidates) {
        c.text = DecodeSample(sample.first(std::min(sample.size(), kScoredBytes)), c.number);
        if (c.text.empty()) continue;
        const double general = GeneralPlausibility(c.text);
        c.score = std::max(c.icuConfidence * general, 100 * CyrillicPlausibility(c.text) * general);
    }
    const Candidate* best = nullptr;
    for (const Candidate& c : candidates) {
        if (best == nullptr || c.score > best->score) best = &c;
    }
    // ISO 8859-1 and windows-1252, KOI8-R and KOI8-U and the like read most texts alike.
    for (const Candidate& c : candidates) {
        if (best != nullptr && c.text == best->text && PreferenceOf(c.number) < PreferenceOf(best->number))
            best = &c;
    }
    if (best == nullptr || best->score < kLeastScore) return std::nullopt;
    return DetectedCodepage{best->number, int32_t(std::lround(std::min(best->score, 100.0)))};
}

int32_t ChooseTextCodePage(std::span<const uint8_t> bytes, int32_t codePage, bool detect) {
    if (const int32_t marked = CodePageOfByteOrderMark(bytes.data(), bytes.size())) return marked;
    if (detect) {
        if (const auto detected = DetectCodepage(bytes)) return detected->number;
    }
    return codePage == kCodePageSystem ? SystemCodePage() : codePage;
}

}  // namespace corvalin
