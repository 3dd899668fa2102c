#pragma once

#include <span>
#include <string_view>

namespace corvalin {

// One window's language table as the build read it from data/lang/<window>.tsv. The texts are
// compiled into the program (the definition is generated at build time), so a reader installed
// without a data folder still has every text.
struct EmbeddedLanguageTable {
    std::string_view window;
    std::string_view text;
};

std::span<const EmbeddedLanguageTable> EmbeddedLanguageTables();

}  // namespace corvalin
