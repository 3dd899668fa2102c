#pragma once

namespace corvalin {

// Word stores characters typed in the Symbol font as the font's byte moved to U+F000 + byte.
// Returns what such a unit means in Unicode (U+F061 -> U+03B1 alpha, U+F0B0 -> U+00B0 degree),
// or the unit unchanged when it lies outside U+F020..U+F0FF or its byte has no Symbol glyph.
char16_t MapSymbolFontUnit(char16_t unit);

}  // namespace corvalin
