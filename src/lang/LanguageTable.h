#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "lang/LanguageNumbers.h"

namespace corvalin {

// The sections of a window's language table. Each holds rows of a key and one text per language.
enum class LanguageSection {
    Caption,        // key: component name, or the window's class name for its own title
    Hint,           // key: component name
    DisplayLabel,   // key: component name; label of a data field
    Font,           // key: component name; font name per language
    Items,          // key: component name + ".Items"; a comma-separated item list
    DialogCaption,  // key: a word of the message boxes or of the standard dialogs
    String,         // key: string ID of a text the program fetches itself
    Other,          // key: component name + "." + property name
    Locale,         // key: date/time format name
    Collection,     // key: component name + "." + collection property; an item list
    CharacterSet,   // per-language extras
    Untranslated,   // key: a component whose texts the program sets itself; no texts
};
inline constexpr int kLanguageSectionCount = 12;

// The section's name as the table files spell it ("caption", "hint", "items", ...).
std::string_view LanguageSectionName(LanguageSection section);

struct LanguageRow {
    std::string key;                                // as written; lookups ignore letter case
    std::array<std::string, kLanguageCount> texts;  // UTF-8; language n at index n - 1
};

// One text a window puts on one of its components when the interface language changes.
struct LanguageAssignment {
    LanguageSection section;  // Caption, Hint, Font, Items, Other or Collection
    std::string component;    // component name, or the window's class name
    std::string property;     // "Caption", "Hint", "Font.Name", "Items", or the property the key names
    std::string text;         // never empty: an empty text leaves the property as it was
};

// The translation table of one window. Keys are ASCII identifiers and words and are compared
// without regard to letter case; texts are UTF-8 (the 8-bit character set per language of older
// tables has no place in a UTF-8 program).
class LanguageTable {
public:
    LanguageTable() = default;
    explicit LanguageTable(std::string window) : window_(std::move(window)) {}

    const std::string& Window() const { return window_; }

    // False, and nothing added, when the section already has a row with that key.
    bool AddRow(LanguageSection section, LanguageRow row);

    const LanguageRow* Find(LanguageSection section, std::string_view key) const;
    // Empty when the row is missing, the language is not 1..kLanguageCount, or the row has no
    // text for that language. The view lives as long as the table.
    std::string_view Text(LanguageSection section, std::string_view key, int language) const;
    const std::vector<LanguageRow>& Rows(LanguageSection section) const;

    // `component` may be a key of the form "Component.Property"; the part before the point counts.
    bool IsUntranslated(std::string_view component) const;

    // What changing to `language` puts on the window's components, in table order: the caption,
    // hint, font, item-list, collection and other rows of components that are translated, each
    // with a non-empty text in that language.
    std::vector<LanguageAssignment> Assignments(int language) const;

private:
    struct Section {
        std::vector<LanguageRow> rows;
        std::map<std::string, size_t, std::less<>> index;  // lower-case key -> row
    };

    std::string window_;
    std::array<Section, kLanguageSectionCount> sections_;
};

struct ParsedLanguageTable {
    LanguageTable table;
    std::string error;  // empty when the whole text was read; otherwise the first fault and its line
};

// Reads the text form of a table (data/lang/README.md): one row per line, tab-separated
// section, key and up to six texts. Reading stops at the first faulty line; the rows before it
// are kept.
ParsedLanguageTable ParseLanguageTable(std::string_view window, std::string_view text);

// Letter case folded the way keys are compared (ASCII only: keys are identifiers).
std::string FoldKey(std::string_view key);

}  // namespace corvalin
