#include "lang/Languages.h"

#include <algorithm>
#include <utility>

#include "lang/LanguageItemList.h"
#include "lang/LanguageTableSources.h"

namespace corvalin {

int LanguageFromListIndex(int listIndex) {
    constexpr int kRussianEntry = 4;
    if (listIndex >= 1 && listIndex < kRussianEntry) return listIndex + 2;
    if (listIndex == kRussianEntry) return kRussian;
    return kEnglish;
}

int ListIndexFromLanguage(int language) {
    for (int index = 0; index < static_cast<int>(kLanguageListEntries.size()); ++index) {
        if (LanguageFromListIndex(index) == language) return index;
    }
    return -1;
}

bool IsLanguageListIndex(int listIndex) {
    return listIndex >= 0 && listIndex < static_cast<int>(kLanguageListEntries.size());
}

std::string TextToShow(std::string_view current, std::string_view translated) {
    return std::string(translated.empty() ? current : translated);
}

int WindowTexts::Language() const { return languages_->ActiveLanguage(); }

std::string WindowTexts::Text(LanguageSection section, std::string_view key) const {
    return std::string(table_->Text(section, key, Language()));
}

std::string WindowTexts::GetText(std::string_view id) const { return Text(LanguageSection::String, id); }

std::string WindowTexts::Caption(std::string_view component) const {
    return Text(LanguageSection::Caption, component);
}

std::string WindowTexts::Hint(std::string_view component) const {
    return Text(LanguageSection::Hint, component);
}

std::string WindowTexts::FontName(std::string_view component) const {
    return Text(LanguageSection::Font, component);
}

std::vector<std::string> WindowTexts::Items(std::string_view component) const {
    return ParseItemList(Text(LanguageSection::Items, std::string(component) + ".Items"));
}

std::string WindowTexts::DialogCaption(std::string_view word) const {
    return Text(LanguageSection::DialogCaption, word);
}

std::vector<LanguageAssignment> WindowTexts::Assignments() const { return table_->Assignments(Language()); }

namespace {

std::vector<LanguageTable> ReadCompiledTables(std::vector<std::string>& errors) {
    std::vector<LanguageTable> tables;
    for (const EmbeddedLanguageTable& source : EmbeddedLanguageTables()) {
        ParsedLanguageTable parsed = ParseLanguageTable(source.window, source.text);
        if (!parsed.error.empty()) errors.push_back(std::move(parsed.error));
        tables.push_back(std::move(parsed.table));
    }
    return tables;
}

}  // namespace

LanguageDispatcher::LanguageDispatcher() { tables_ = ReadCompiledTables(loadErrors_); }

LanguageDispatcher::LanguageDispatcher(std::vector<LanguageTable> tables) : tables_(std::move(tables)) {}

bool LanguageDispatcher::SetActiveLanguage(int language) {
    if (!IsLanguageNumber(language)) return false;
    activeLanguage_ = language;
    // A copy, since a window may bind or unbind while it re-labels itself.
    const std::vector<Binding> bindings = bindings_;
    for (const Binding& binding : bindings) binding.apply(Window(binding.window));
    return true;
}

int LanguageDispatcher::ApplyListChoice(int listIndex) {
    characterSet_ = kEastEuropeCharset;
    const int language = LanguageFromListIndex(listIndex);
    SetActiveLanguage(language);
    return language;
}

void LanguageDispatcher::Bind(std::string_view window, ApplyTexts apply) {
    Unbind(window);
    bindings_.push_back({FoldKey(window), std::move(apply)});
}

void LanguageDispatcher::Unbind(std::string_view window) {
    const std::string folded = FoldKey(window);
    std::erase_if(bindings_, [&](const Binding& binding) { return binding.window == folded; });
}

const LanguageTable& LanguageDispatcher::Table(std::string_view window) const {
    const std::string folded = FoldKey(window);
    const auto table = std::find_if(tables_.begin(), tables_.end(),
                                    [&](const LanguageTable& t) { return FoldKey(t.Window()) == folded; });
    return table == tables_.end() ? emptyTable_ : *table;
}

std::string LanguageDispatcher::GetText(std::string_view window, std::string_view id) const {
    return Window(window).GetText(id);
}

}  // namespace corvalin
