#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvalin {

// Text rules of the library. Two texts are "the same text" when they are equal ignoring
// letter case, and "exactly equal" when they are equal including it.

// Letter case folded one code point at a time (simple folding): a folded text has as many
// units as the text, so a prefix of the one is a prefix of the other.
std::u16string FoldCase(std::u16string_view text);
char32_t FoldCodePoint(char32_t code);

bool SameText(std::u16string_view a, std::u16string_view b);
// `text` begins with `prefix`, ignoring letter case.
bool BeginsWithSameText(std::u16string_view text, std::u16string_view prefix);
// Order ignoring letter case (folded units compared in turn), then by length.
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);
inline bool LessIgnoringCase(std::u16string_view a, std::u16string_view b) {
    return CompareIgnoringCase(a, b) < 0;
}

// Drops leading and trailing units of code 32 and below; a single remaining character stays.
std::u16string_view Trim(std::u16string_view text);

// Whether a line reads like a person's name the way book title pages print them: a surname
// followed by a given name, or by initials each followed by ".". From the second character on,
// every unit above 64 is a letter; at or below it only a "." right after a one-letter word and
// spaces are allowed, and there must be one to three spaces. The first character is never
// looked at.
bool LooksLikeName(std::u16string_view text);

// The first four folded units of a text packed high to low (zeros past its end): texts that
// begin the same (ignoring case) have keys in one range, which the derivation's line index
// searches.
uint64_t FoldedPrefixKey(std::u16string_view text);
// The range of keys of every text that begins with `prefix` ignoring case.
struct KeyRange {
    uint64_t low = 0;
    uint64_t high = 0;
};
KeyRange PrefixKeyRange(std::u16string_view prefix);

}  // namespace corvalin
