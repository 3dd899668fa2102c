#include "lang/LanguageItemList.h"

namespace corvalin {

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SkipSpaces(std::string_view text, size_t& i) {
    while (i < text.size() && IsSpace(text[i])) ++i;
}

}  // namespace

std::vector<std::string> ParseItemList(std::string_view text) {
    std::vector<std::string> items;
    size_t i = 0;
    SkipSpaces(text, i);
    if (i == text.size()) return items;
    while (true) {
        std::string item;
        if (text[i] == '"') {
            ++i;
            while (i < text.size()) {
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        item.push_back('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item.push_back(text[i++]);
            }
        } else {
            while (i < text.size() && text[i] != ',' && !IsSpace(text[i])) item.push_back(text[i++]);
        }
        items.push_back(std::move(item));

        SkipSpaces(text, i);
        if (i == text.size()) return items;
        // A comma ends the item; without one, white space alone has separated two items.
        if (text[i] == ',') {
            ++i;
            SkipSpaces(text, i);
            if (i == text.size()) {
                items.emplace_back();  // "a," ends with an empty item
                return items;
            }
        }
    }
}

}  // namespace corvalin
