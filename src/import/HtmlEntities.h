#pragma once

#include <span>
#include <string_view>

namespace corvalin {

// A named character reference of HTML 4.01 and the code unit it stands for (all of them lie
// in the Basic Multilingual Plane).
struct HtmlEntity {
    std::string_view name;
    char16_t unit;
};

// The 252 named references, in the order they are matched: the four of markup first, then
// Latin-1, the symbols and Greek letters, and the special characters.
std::span<const HtmlEntity> HtmlEntities();

// The unit a reference name stands for, or -1. The first entry that matches wins. A name
// written with a capital letter must match exactly; a lower-case one also matches its fully
// upper-cased form (NBSP finds nbsp, while Nbsp finds nothing and AElig stays apart from
// aelig).
int FindHtmlEntity(std::u16string_view name);

}  // namespace corvalin
