#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace corvalin {

struct DetectedCodepage {
    int32_t number = 0;      // a number of the code page list (-1 and -2 for UTF-16)
    int32_t confidence = 0;  // 0..100
};

// Guesses the code page of a plain-text document from its first 64 KB. A byte-order mark
// decides at once; text that is valid UTF-8 with non-ASCII characters is UTF-8; otherwise
// ICU's charset detector proposes pages, each is decoded and checked for being plausible
// text, and the Cyrillic single-byte pages (1251, 866, KOI8-R/U, ISO 8859-5, Mac), where
// detectors err most, are also scored against the letter pairs of Russian.
// Nothing is returned for text that any ASCII-compatible page reads alike (pure ASCII) or
// that no page reads plausibly.
std::optional<DetectedCodepage> DetectCodepage(std::span<const uint8_t> bytes);

// The code page to read a plain-text document in: the page its byte-order mark names, else
// (when `detect` is set) the page DetectCodepage guesses, else `codePage` itself, with 0
// resolved to the system's page.
int32_t ChooseTextCodePage(std::span<const uint8_t> bytes, int32_t codePage, bool detect);

// How much decoded text looks like text in a Cyrillic alphabet: 0..1, high when its words
// are made of the letters of one Cyrillic alphabet, mostly lower case or capitalised, and
// their letter pairs are the usual ones of Russian (close kin such as Ukrainian and
// Bulgarian score lower but well above text read through a wrong code page).
double CyrillicPlausibility(std::u16string_view text);

}  // namespace corvalin
