#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace corvalin {

// What a typed percentage reads as when it is not a number at all.
constexpr long double kNotAPercent = -1.0L;

// The text of a percentage field as a number, written with `decimalSeparator` (the system's):
// optional blanks around it, an optional sign, ASCII digits with at most one separator, an
// optional exponent. Anything else (another separator, group separators, an empty text) is
// kNotAPercent.
long double ParsePercent(std::u16string_view text, std::u16string_view decimalSeparator);

// Whether a typed percentage may be gone to: 0 to 100, both ends included.
bool PercentAccepted(long double percent);

// The text offset `percent` of the way through the text, on the text's last offset at 100;
// none for an empty text. A percentage outside 0..100 is held at the nearer end.
std::optional<int64_t> PositionOfPercent(long double percent, int64_t textStart, int64_t textEnd);

// A percentage for the field: fixed notation with one decimal ("37.5", "100.0").
std::u16string PercentFieldText(long double percent, std::u16string_view decimalSeparator);

// Where `position` lies in the text, in tenths of a percent rounded to the nearest: the shortest
// form with at most one decimal and a "%" ("37.5%", "40%"). An empty text counts as 0%.
std::u16string PositionPercentLabel(int64_t position, int64_t textStart, int64_t textEnd,
                                    std::u16string_view decimalSeparator);

}  // namespace corvalin
