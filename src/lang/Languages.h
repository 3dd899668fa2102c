#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "lang/LanguageNumbers.h"
#include "lang/LanguageTable.h"

namespace corvalin {

// The options panel's language list offers five of the six languages, in this order. The
// entries stay English whatever the interface language: the program fills the list itself and
// the tables never translate it. Russian, translated throughout the tables, comes last, so that
// the list index kept in Global.cfg still means what it meant when the list had four entries.
inline constexpr std::array<std::string_view, 5> kLanguageListEntries = {"English", "German", "French",
                                                                         "Spanish", "Russian"};

// List entry -> language number: entry 0 is English; entries 1 to 3 are languages 3 to 5
// (German, French, Spanish); entry 4 is Russian (2); anything else falls back to English.
// Portuguese is in the tables but has too few texts to be offered.
int LanguageFromListIndex(int listIndex);
// Language number -> list entry, or -1 for a language the list does not offer.
int ListIndexFromLanguage(int language);
// Whether a stored list index can select an entry (an index of 7 from a damaged configuration
// cannot, and leaves English selected).
bool IsLanguageListIndex(int listIndex);

// Character set byte handed to fonts: the default one until the first language change, then
// the East European one for good, whichever language was chosen.
inline constexpr uint8_t kDefaultCharset = 1;
inline constexpr uint8_t kEastEuropeCharset = 238;

// A property whose translation is empty keeps what it showed before.
std::string TextToShow(std::string_view current, std::string_view translated);

class LanguageDispatcher;

// One window's texts in the dispatcher's current language; follows later language changes.
// Valid while the dispatcher lives.
class WindowTexts {
public:
    WindowTexts(const LanguageDispatcher& languages, const LanguageTable& table)
        : languages_(&languages), table_(&table) {}

    // The string-table text of `id`; empty when there is no such row or no text in this language.
    std::string GetText(std::string_view id) const;
    std::string Caption(std::string_view component) const;
    std::string Hint(std::string_view component) const;
    std::string FontName(std::string_view component) const;
    // The items of the row "<component>.Items"; empty when there is none.
    std::vector<std::string> Items(std::string_view component) const;
    // A message-box or standard-dialog word ("Yes" -> "&Yes"), with its access-key ampersand.
    std::string DialogCaption(std::string_view word) const;
    std::vector<LanguageAssignment> Assignments() const;

    const LanguageTable& Table() const { return *table_; }
    int Language() const;

private:
    std::string Text(LanguageSection section, std::string_view key) const;

    const LanguageDispatcher* languages_;
    const LanguageTable* table_;
};

// Owns the tables of every window and the active language. Windows bind to it and are told to
// re-label themselves on every change; they read message texts on demand through Window().
class LanguageDispatcher {
public:
    using ApplyTexts = std::function<void(const WindowTexts&)>;

    LanguageDispatcher();  // the tables compiled into the program
    explicit LanguageDispatcher(std::vector<LanguageTable> tables);
    LanguageDispatcher(const LanguageDispatcher&) = delete;  // window texts point into it
    LanguageDispatcher& operator=(const LanguageDispatcher&) = delete;

    int ActiveLanguage() const { return activeLanguage_; }
    static constexpr int LanguageCount() { return kLanguageCount; }
    uint8_t CharacterSet() const { return characterSet_; }

    // Makes `language` active and has every bound window apply its texts. A number outside
    // 1..LanguageCount() changes nothing and returns false.
    bool SetActiveLanguage(int language);
    // The language list's choice: fonts switch to the East European character set, the entry
    // maps to a language number, which becomes active. Returns that number.
    int ApplyListChoice(int listIndex);

    // `apply` runs for the window's texts on every language change (one binding per window).
    void Bind(std::string_view window, ApplyTexts apply);
    void Unbind(std::string_view window);

    // Window names compare without letter case; an unknown window has an empty table.
    const LanguageTable& Table(std::string_view window) const;
    WindowTexts Window(std::string_view window) const { return WindowTexts(*this, Table(window)); }
    std::string GetText(std::string_view window, std::string_view id) const;

    const std::vector<LanguageTable>& Tables() const { return tables_; }
    // Faults found while reading the compiled-in tables; their good rows are still used.
    const std::vector<std::string>& LoadErrors() const { return loadErrors_; }

private:
    struct Binding {
        std::string window;  // folded
        ApplyTexts apply;
    };

    std::vector<LanguageTable> tables_;
    std::vector<std::string> loadErrors_;
    std::vector<Binding> bindings_;
    LanguageTable emptyTable_;
    int activeLanguage_ = kEnglish;
    uint8_t characterSet_ = kDefaultCharset;
};

}  // namespace corvalin
