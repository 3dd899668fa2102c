#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace corvalin {

// Splits the comma-separated item list of an "items" or "collection" row, the form a list
// control's contents are written in: "None","2x2 (4 samples)",Wave. An item that starts with a
// double quote runs to the next lone double quote ("" inside stands for one quote); an unquoted
// item ends at a comma or at white space, so an item with spaces must be quoted. White space
// around items is ignored; an empty text is an empty list.
std::vector<std::string> ParseItemList(std::string_view text);

}  // namespace corvalin
