#include "library/LibraryText.h"

#include <unicode/uchar.h>
#include <unicode/utf16.h>

#include <algorithm>

namespace corvalin {
namespace {

bool IsSpaceOrControl(char16_t unit) { return unit <= 32; }

// Folds the code point starting at `text[i]` into `out`, keeping its number of units; returns
// the units it took.
size_t FoldAt(std::u16string_view text, size_t i, std::u16string& out) {
    const char16_t unit = text[i];
    if (unit < 0x80) {
        out.push_back(unit >= u'A' && unit <= u'Z' ? char16_t(unit + 32) : unit);
        return 1;
    }
    if (U16_IS_LEAD(unit) && i + 1 < text.size() && U16_IS_TRAIL(text[i + 1])) {
        const char32_t folded = FoldCodePoint(U16_GET_SUPPLEMENTARY(unit, text[i + 1]));
        if (U16_LENGTH(folded) == 2) {
            out.push_back(U16_LEAD(folded));
            out.push_back(U16_TRAIL(folded));
        } else {
            out.append(text.substr(i, 2));
        }
        return 2;
    }
    const char32_t folded = FoldCodePoint(unit);
    out.push_back(U16_LENGTH(folded) == 1 ? char16_t(folded) : unit);
    return 1;
}

}  // namespace

char32_t FoldCodePoint(char32_t code) {
    if (code < 0x80) return code >= U'A' && code <= U'Z' ? code + 32 : code;
    return char32_t(u_foldCase(UChar32(code), U_FOLD_CASE_DEFAULT));
}

std::u16string FoldCase(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) i += FoldAt(text, i, out);
    return out;
}

bool SameText(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && BeginsWithSameText(a, b);
}

bool BeginsWithSameText(std::u16string_view text, std::u16string_view prefix) {
    if (prefix.size() > text.size()) return false;
    // Most compared texts differ within their first units, and most units are ASCII.
    size_t i = 0;
    for (; i < prefix.size(); ++i) {
        const char16_t a = text[i], b = prefix[i];
        if (a == b) continue;
        if (a >= 0x80 || b >= 0x80) break;
        const char16_t la = a >= u'A' && a <= u'Z' ? char16_t(a + 32) : a;
        const char16_t lb = b >= u'A' && b <= u'Z' ? char16_t(b + 32) : b;
        if (la != lb) return false;
    }
    if (i == prefix.size()) return true;
    // Fold whole code points from the first non-ASCII difference on (a pair may have started
    // one unit earlier).
    if (i > 0 && (U16_IS_TRAIL(text[i]) || U16_IS_TRAIL(prefix[i]))) --i;
    return FoldCase(text.substr(i, prefix.size() - i)) == FoldCase(prefix.substr(i));
}

int CompareIgnoringCase(std::u16string_view a, std::u16string_view b) {
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    for (; i < common; ++i) {
        const char16_t x = a[i], y = b[i];
        if (x >= 0x80 || y >= 0x80) break;
        const char16_t lx = x >= u'A' && x <= u'Z' ? char16_t(x + 32) : x;
        const char16_t ly = y >= u'A' && y <= u'Z' ? char16_t(y + 32) : y;
        if (lx != ly) return lx < ly ? -1 : 1;
    }
    if (i < common) {
        if (i > 0 && (U16_IS_TRAIL(a[i]) || U16_IS_TRAIL(b[i]))) --i;
        const int order = FoldCase(a.substr(i)).compare(FoldCase(b.substr(i)));
        return order < 0 ? -1 : order > 0 ? 1 : 0;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

std::u16string_view Trim(std::u16string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsSpaceOrControl(text[begin])) ++begin;
    while (end > begin && IsSpaceOrControl(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool LooksLikeName(std::u16string_view text) {
    // Positions are counted from 1, as a person counts the letters of a name.
    size_t separator = 1;
    int spaces = 0;
    for (size_t position = 2; position <= text.size(); ++position) {
        const char16_t unit = text[position - 1];
        if (unit > 64) continue;
        if (position == separator + 2) {
            // Right after a one-letter word only the initial's full stop may stand.
            if (unit != u'.') return false;
        } else if (unit == u' ') {
            ++spaces;
        } else {
            return false;
        }
        separator = position;
    }
    return spaces >= 1 && spaces <= 3;
}

uint64_t FoldedPrefixKey(std::u16string_view text) {
    // One unit more than the key holds, so a pair that starts at the fourth unit folds whole.
    const std::u16string folded = FoldCase(text.substr(0, 5));
    uint64_t key = 0;
    for (size_t i = 0; i < 4; ++i) key = (key << 16) | (i < folded.size() ? folded[i] : 0);
    return key;
}

KeyRange PrefixKeyRange(std::u16string_view prefix) {
    const std::u16string folded = FoldCase(prefix.substr(0, 5));
    KeyRange range;
    for (size_t i = 0; i < 4; ++i) {
        const bool inside = i < folded.size() && i < prefix.size();
        range.low = (range.low << 16) | (inside ? folded[i] : 0);
        range.high = (range.high << 16) | (inside ? folded[i] : 0xFFFF);
    }
    return range;
}

}  // namespace corvalin
