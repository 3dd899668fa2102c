#pragma once

namespace corvalin {

// Interface languages, numbered from 1; English is the language every window is designed in.
// Every language table holds one text column per language in this order.
inline constexpr int kLanguageCount = 6;
inline constexpr int kEnglish = 1;
inline constexpr int kRussian = 2;
inline constexpr int kGerman = 3;
inline constexpr int kFrench = 4;
inline constexpr int kSpanish = 5;
inline constexpr int kPortuguese = 6;

inline constexpr bool IsLanguageNumber(int language) { return language >= 1 && language <= kLanguageCount; }

}  // namespace corvalin
