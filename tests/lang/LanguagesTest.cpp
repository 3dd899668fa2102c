#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "lang/LanguageItemList.h"
#include "lang/LanguageMessageWords.h"
#include "lang/LanguageTable.h"
#include "lang/LanguageTableSources.h"
#include "lang/Languages.h"

namespace corvalin {
namespace {

using Items = std::vector<std::string>;

const char* const kWindows[] = {"AA_Main",  "AA_Browse",   "AA_Bookmarks", "AA_BookProp", "AA_Encode",
                                "AA_Files", "AA_Password", "AA_Percent",   "AA_Profile"};

// Sections whose rows carry texts the reader sees.
const LanguageSection kTextSections[] = {
    LanguageSection::Caption, LanguageSection::Hint,       LanguageSection::Font,
    LanguageSection::Items,   LanguageSection::Collection, LanguageSection::DialogCaption,
    LanguageSection::String,  LanguageSection::Other,
};

const LanguageDispatcher& BuiltIn() {
    static const LanguageDispatcher dispatcher;
    return dispatcher;
}

LanguageTable Parse(std::string_view text) {
    ParsedLanguageTable parsed = ParseLanguageTable("Fixture", text);
    EXPECT_EQ(parsed.error, "");
    return std::move(parsed.table);
}

// A window reduced to what the language change writes: "Component.Property" -> text.
using ShownTexts = std::map<std::string, std::string>;

void Apply(const WindowTexts& texts, ShownTexts& shown) {
    for (const LanguageAssignment& assignment : texts.Assignments()) {
        shown[assignment.component + "." + assignment.property] = assignment.text;
    }
}

// ---- Reading the table files ---------------------------------------------------------------

TEST(LanguageTableParse, ReadsRowsEscapesAndShortLines) {
    const LanguageTable table = Parse(
        "\xEF\xBB\xBF# comment\r\n"
        "\r\n"
        "caption\tLabel1\tPercent\tПроцент\tProzent\tPourcentage\tPorcentaje\tPercentagem\r\n"
        "string\tFilename\tFilename: \tФайл: \n"
        "string\tTwoLines\tone\\ntwo\\tand a \\\\\n"
        "untranslated\tEdit1\n");
    EXPECT_EQ(table.Text(LanguageSection::Caption, "Label1", kPortuguese), "Percentagem");
    EXPECT_EQ(table.Text(LanguageSection::Caption, "Label1", kRussian), "Процент");
    // Trailing spaces belong to the text; missing trailing fields are empty texts.
    EXPECT_EQ(table.Text(LanguageSection::String, "Filename", kEnglish), "Filename: ");
    EXPECT_EQ(table.Text(LanguageSection::String, "Filename", kGerman), "");
    EXPECT_EQ(table.Text(LanguageSection::String, "TwoLines", kEnglish), "one\ntwo\tand a \\");
    EXPECT_TRUE(table.IsUntranslated("edit1"));
}

TEST(LanguageTableParse, ReportsTheFirstFaultyLine) {
    struct Case {
        const char* name;
        const char* text;
        const char* error;
    };
    const Case cases[] = {
        {"unknown section", "captoin\tLabel1\tText\n", "Fixture line 1: unknown section \"captoin\""},
        {"no key", "string\n", "line 1: row without a key"},
        {"empty key", "string\t\tText\n", "line 1: row without a key"},
        {"key with outer space", "string\tErr00 \tText\n", "has outer spaces"},
        {"seven texts", "string\tErr00\t1\t2\t3\t4\t5\t6\t7\n", "more than six texts"},
        {"unknown escape", "string\tErr00\tC:\\path\n", "unknown escape in the text of \"Err00\""},
        {"dangling backslash", "string\tErr00\tText\\\n", "unknown escape"},
        {"same key in other case", "string\tErr00\tA\nstring\tERR00\tB\n",
         "line 2: second row for \"ERR00\""},
        {"untranslated with text", "untranslated\tEdit1\tText\n", "has texts"},
        {"latin-1 byte",
         "string\tErr00\tGr\xF6\xDF"
         "e\n",
         "not UTF-8"},
        {"overlong UTF-8", "string\tErr00\t\xC0\xAF\n", "not UTF-8"},
        {"UTF-8 surrogate", "string\tErr00\t\xED\xA0\x80\n", "not UTF-8"},
        {"fault after good rows", "# c\nstring\tA\tText\nbad\tB\n", "line 3:"},
    };
    for (const Case& c : cases) {
        const ParsedLanguageTable parsed = ParseLanguageTable("Fixture", c.text);
        EXPECT_NE(parsed.error.find(c.error), std::string::npos) << c.name << ": " << parsed.error;
    }
    // The same key may appear once in each section.
    EXPECT_EQ(ParseLanguageTable("Fixture", "caption\tText00\tA\nstring\tText00\tB\n").error, "");
}

// ---- Item lists ----------------------------------------------------------------------------

TEST(LanguageItemList, SplitsQuotedAndPlainItems) {
    struct Case {
        const char* name;
        const char* text;
        Items items;
    };
    const Case cases[] = {
        {"quoted with spaces",
         R"t("None","2x2 (4 samples)","3x3 (9 samples)")t",
         {"None", "2x2 (4 samples)", "3x3 (9 samples)"}},
        {"plain and quoted", R"t(Scroll,"Page Down",Wave)t", {"Scroll", "Page Down", "Wave"}},
        {"spaces around items", " a , b ,c ", {"a", "b", "c"}},
        {"unquoted space splits", "Page Down", {"Page", "Down"}},
        {"doubled quote", R"t("say ""hi""",x)t", {"say \"hi\"", "x"}},
        {"comma inside quotes", R"t("Cache, pages",y)t", {"Cache, pages", "y"}},
        {"empty text", "", {}},
        {"only spaces", "   ", {}},
        {"empty item between commas", "a,,b", {"a", "", "b"}},
        {"trailing comma", "a,", {"a", ""}},
        {"unterminated quote", R"t("open end)t", {"open end"}},
        {"UTF-8 items", R"t("По ширине","Как в оригинале")t", {"По ширине", "Как в оригинале"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseItemList(c.text), c.items) << c.name;
}

// ---- Languages and the language list -------------------------------------------------------

TEST(LanguageList, MapsEntriesToLanguageNumbers) {
    struct Case {
        const char* name;
        int listIndex;
        int language;
    };
    const Case cases[] = {
        {"English", 0, kEnglish},  {"German", 1, kGerman},
        {"French", 2, kFrench},    {"Spanish", 3, kSpanish},
        {"Russian", 4, kRussian},  {"past the list", 5, kEnglish},
        {"stored 7", 7, kEnglish}, {"nothing selected", -1, kEnglish},
    };
    for (const Case& c : cases) EXPECT_EQ(LanguageFromListIndex(c.listIndex), c.language) << c.name;

    EXPECT_EQ(ListIndexFromLanguage(kEnglish), 0);
    EXPECT_EQ(ListIndexFromLanguage(kGerman), 1);
    EXPECT_EQ(ListIndexFromLanguage(kFrench), 2);
    EXPECT_EQ(ListIndexFromLanguage(kSpanish), 3);
    EXPECT_EQ(ListIndexFromLanguage(kRussian), 4);
    EXPECT_EQ(ListIndexFromLanguage(kPortuguese), -1);
    for (int index = 0; index < 5; ++index) {
        EXPECT_EQ(ListIndexFromLanguage(LanguageFromListIndex(index)), index) << index;
    }

    // Only five entries exist, so a damaged stored index selects nothing.
    EXPECT_TRUE(IsLanguageListIndex(4));
    EXPECT_FALSE(IsLanguageListIndex(5));
    EXPECT_FALSE(IsLanguageListIndex(7));
    EXPECT_FALSE(IsLanguageListIndex(-1));
}

TEST(LanguageDispatch, ListChoiceSwitchesTextsAndCharacterSet) {
    LanguageDispatcher languages;
    const WindowTexts main = languages.Window("AA_Main");
    EXPECT_EQ(languages.ActiveLanguage(), kEnglish);
    EXPECT_EQ(languages.CharacterSet(), kDefaultCharset);

    EXPECT_EQ(languages.ApplyListChoice(1), kGerman);
    EXPECT_EQ(languages.ActiveLanguage(), kGerman);
    EXPECT_EQ(main.Items("RadioGroupAntialiasing"),
              (Items{"Keine", "2x2 (4 Abtastwerte)", "3x3 (9 Abtastwerte)", "4x4 (16 Abtastwerte)"}));
    EXPECT_EQ(main.Caption("RadioGroupAntialiasing"), "Kantenglättung");

    EXPECT_EQ(languages.ApplyListChoice(0), kEnglish);
    EXPECT_EQ(main.Items("RadioGroupAntialiasing"),
              (Items{"None", "2x2 (4 samples)", "3x3 (9 samples)", "4x4 (16 samples)"}));
    // Once a language has been chosen the fonts keep the East European set, English included.
    EXPECT_EQ(languages.CharacterSet(), kEastEuropeCharset);
}

TEST(LanguageDispatch, RejectsLanguageNumbersOutsideTheTables) {
    LanguageDispatcher languages;
    int applied = 0;
    languages.Bind("AA_Percent", [&](const WindowTexts&) { ++applied; });
    ASSERT_TRUE(languages.SetActiveLanguage(kFrench));
    EXPECT_EQ(applied, 1);
    for (int language : {0, 7, -1}) {
        EXPECT_FALSE(languages.SetActiveLanguage(language)) << language;
        EXPECT_EQ(languages.ActiveLanguage(), kFrench);
    }
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(languages.CharacterSet(), kDefaultCharset);  // only the list choice changes it
}

TEST(LanguageDispatch, LookupsIgnoreCaseAndMissingRowsAreEmpty) {
    const LanguageDispatcher& languages = BuiltIn();
    EXPECT_EQ(languages.GetText("AA_Main", "filename"), "Filename: ");
    EXPECT_EQ(languages.GetText("aa_main", "ERR00"), "The is not the Corvalindestrum file");
    EXPECT_EQ(languages.Window("AA_Main").Caption("radiogroupauto"), "Automatical");
    EXPECT_EQ(languages.Window("AA_Main").DialogCaption("yes"), "&Yes");
    EXPECT_EQ(languages.Window("AA_Main").Items("radiogroupcrop"), (Items{"Enabled", "Disabled"}));

    EXPECT_EQ(languages.GetText("AA_Main", "Err02"), "");
    EXPECT_EQ(languages.GetText("AA_Main", "Text03"), "");  // a row of another window
    EXPECT_EQ(languages.GetText("AA_Nowhere", "Err00"), "");
    EXPECT_EQ(languages.Window("AA_Main").Caption("NoSuchLabel"), "");
    EXPECT_TRUE(languages.Window("AA_Main").Items("NoSuchGroup").empty());
    // A row without a text in the language asked for.
    EXPECT_EQ(languages.Table("AA_Main").Text(LanguageSection::String, "Err00", kPortuguese), "");
    EXPECT_EQ(languages.Table("AA_Main").Text(LanguageSection::String, "Err00", 7), "");
}

// ---- Applying a language to a window -------------------------------------------------------

TEST(LanguageDispatch, EmptyTranslationKeepsThePreviousText) {
    std::vector<LanguageTable> tables;
    tables.push_back(
        Parse("caption\tTAA_Fixture\tLibrary\tБиблиотека\tBibliothek\n"
              "caption\tLabel1\tEnglish only\tТолько английский\n"
              "hint\tButton1\tPress\tНажмите\tDrücken\n"));
    LanguageDispatcher languages(std::move(tables));
    ShownTexts shown;
    int calls = 0;
    languages.Bind("fixture", [&](const WindowTexts& texts) {
        ++calls;
        Apply(texts, shown);
    });

    languages.SetActiveLanguage(kRussian);
    EXPECT_EQ(shown["Label1.Caption"], "Только английский");
    languages.SetActiveLanguage(kEnglish);
    languages.SetActiveLanguage(kGerman);
    EXPECT_EQ(shown["TAA_Fixture.Caption"], "Bibliothek");
    EXPECT_EQ(shown["Button1.Hint"], "Drücken");
    EXPECT_EQ(shown["Label1.Caption"], "English only");
    EXPECT_EQ(calls, 3);

    languages.Unbind("FIXTURE");
    languages.SetActiveLanguage(kRussian);
    EXPECT_EQ(calls, 3);

    EXPECT_EQ(TextToShow("English only", ""), "English only");
    EXPECT_EQ(TextToShow("English only", "Nur Englisch"), "Nur Englisch");
}

TEST(LanguageDispatch, PortugueseLeavesEveryWindowAsItWas) {
    LanguageDispatcher languages;
    std::map<std::string, ShownTexts> shown;
    for (const char* window : kWindows) {
        languages.Bind(window, [&shown, window](const WindowTexts& texts) { Apply(texts, shown[window]); });
    }
    languages.SetActiveLanguage(kEnglish);
    const std::map<std::string, ShownTexts> english = shown;
    ASSERT_FALSE(english.at("AA_Main").empty());

    languages.SetActiveLanguage(kPortuguese);
    EXPECT_EQ(shown, english);
    EXPECT_EQ(languages.GetText("AA_Main", "Err01"), "");
    EXPECT_EQ(languages.GetText("AA_Browse", "TextCaption"), "");
}

TEST(LanguageDispatch, AssignmentsNameComponentAndProperty) {
    const LanguageTable table = Parse(
        "untranslated\tComboBoxLanguage\n"
        "caption\tComboBoxLanguage\tMust not be applied\tx\tx\tx\tx\n"
        "caption\tLabel5\tCache, pages\n"
        "hint\tToolButton3\tOptions\n"
        "font\tTAA_Fixture\tMS Sans Serif\n"
        "items\tRadioGroupCrop.Items\t\"Enabled\",\"Disabled\"\n"
        "collection\tListView1.Columns\tPosition,Text\n"
        "other\tButton1.HelpKeyword\tkeyword\n"
        "string\tText00\tNot a property\n"
        "dialog\tYes\t&Yes\n");
    std::vector<std::string> seen;
    for (const LanguageAssignment& a : table.Assignments(kEnglish)) {
        seen.push_back(a.component + "|" + a.property + "|" + a.text);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "Label5|Caption|Cache, pages",
                        "ToolButton3|Hint|Options",
                        "TAA_Fixture|Font.Name|MS Sans Serif",
                        "RadioGroupCrop|Items|\"Enabled\",\"Disabled\"",
                        "Button1|HelpKeyword|keyword",
                    }));
    EXPECT_TRUE(table.Assignments(kRussian).empty());
    EXPECT_TRUE(table.Assignments(0).empty());
}

TEST(LanguageMessageWords, TitleAndButtonsFallBackToEnglish) {
    LanguageDispatcher languages;
    const WindowTexts browse = languages.Window("AA_Browse");
    const MessageButton yesNo[] = {MessageButton::Yes, MessageButton::No};

    languages.SetActiveLanguage(kGerman);
    TranslatedMessageWords words = TranslateMessageWords(browse, MessageKind::Confirmation, yesNo);
    EXPECT_EQ(words.title, "Bestätigen");
    EXPECT_EQ(words.buttons, (Items{"&Ja", "&Nein"}));

    languages.SetActiveLanguage(kPortuguese);
    words = TranslateMessageWords(browse, MessageKind::Error, yesNo);
    EXPECT_EQ(words.title, "Error");
    EXPECT_EQ(words.buttons, (Items{"&Yes", "&No"}));

    const MessageButton noToAll[] = {MessageButton::NoToAll};
    words = TranslateMessageWords(languages.Window("AA_Nowhere"), MessageKind::Warning, noToAll);
    EXPECT_EQ(words.title, "Warning");
    EXPECT_EQ(words.buttons, (Items{"No To All"}));
}

// ---- The tables that ship ------------------------------------------------------------------

TEST(LanguageData, EveryWindowTableReadsWithoutFaults) {
    const LanguageDispatcher& languages = BuiltIn();
    EXPECT_TRUE(languages.LoadErrors().empty()) << languages.LoadErrors().front();
    EXPECT_EQ(languages.Tables().size(), std::size(kWindows));
    for (const char* window : kWindows) {
        EXPECT_EQ(languages.Table(window).Window(), window);
        EXPECT_FALSE(languages.Table(window).Rows(LanguageSection::DialogCaption).empty()) << window;
    }
}

TEST(LanguageData, CompiledTablesMatchTheDataFiles) {
    const std::filesystem::path folder = std::filesystem::path(CORVALIN_SOURCE_DIR) / "data" / "lang";
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".tsv") ++files;
    }
    EXPECT_EQ(EmbeddedLanguageTables().size(), files);
    for (const EmbeddedLanguageTable& table : EmbeddedLanguageTables()) {
        std::ifstream in(folder / (std::string(table.window) + ".tsv"), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        EXPECT_EQ(text.str(), table.text) << table.window;
    }
}

TEST(LanguageData, EveryRowIsTranslatedIntoTheFirstFiveLanguages) {
    for (const LanguageTable& table : BuiltIn().Tables()) {
        for (LanguageSection section : kTextSections) {
            for (const LanguageRow& row : table.Rows(section)) {
                for (int language = kEnglish; language <= kSpanish; ++language) {
                    EXPECT_FALSE(row.texts[language - 1].empty())
                        << table.Window() << " " << LanguageSectionName(section) << " " << row.key
                        << " language " << language;
                }
                // Portuguese has texts only where one font name serves every language.
                if (section != LanguageSection::Font) {
                    EXPECT_TRUE(row.texts[kPortuguese - 1].empty()) << table.Window() << " " << row.key;
                }
            }
        }
    }
}

TEST(LanguageData, ItemListsHaveTheSameItemsInEveryLanguage) {
    size_t lists = 0;
    for (const LanguageTable& table : BuiltIn().Tables()) {
        for (LanguageSection section : {LanguageSection::Items, LanguageSection::Collection}) {
            for (const LanguageRow& row : table.Rows(section)) {
                ++lists;
                const Items english = ParseItemList(row.texts[kEnglish - 1]);
                for (int language = kRussian; language <= kSpanish; ++language) {
                    const Items items = ParseItemList(row.texts[language - 1]);
                    EXPECT_EQ(items.size(), english.size()) << row.key << " language " << language;
                    for (const std::string& item : items) EXPECT_FALSE(item.empty()) << row.key;
                }
            }
        }
    }
    EXPECT_GT(lists, 0u);
}

TEST(LanguageData, NoTextForAComponentTheProgramLabelsItself) {
    for (const LanguageTable& table : BuiltIn().Tables()) {
        for (LanguageSection section :
             {LanguageSection::Caption, LanguageSection::Hint, LanguageSection::Items}) {
            for (const LanguageRow& row : table.Rows(section)) {
                EXPECT_FALSE(table.IsUntranslated(row.key)) << table.Window() << " " << row.key;
            }
        }
    }
}

TEST(LanguageData, EnglishTextsAreKeptAsWritten) {
    struct Case {
        const char* window;
        LanguageSection section;
        const char* key;
        const char* english;
    };
    const Case cases[] = {
        {"AA_Main", LanguageSection::String, "Err00", "The is not the Corvalindestrum file"},
        {"AA_Main", LanguageSection::String, "Err01", "The is book is corrupted"},
        {"AA_Main", LanguageSection::String, "Ask00", "Are you sure, what you want to delete all profiles ?"},
        {"AA_Main", LanguageSection::String, "ResetDefault", "Reset All Settings by Default"},
        {"AA_Main", LanguageSection::String, "Menu_00", "Auto Scroll Start/Stop"},
        {"AA_Main", LanguageSection::String, "Menu_07", "Help"},
        {"AA_Main", LanguageSection::String, "Color_3", "First letter"},
        {"AA_Main", LanguageSection::String, "FileSize", "File Size: "},
        {"AA_Main", LanguageSection::String, "Title", "Title: "},
        {"AA_Main", LanguageSection::String, "TextConvert", "Converting file ..."},
        {"AA_Main", LanguageSection::String, "Special", "Not Text Files"},
        {"AA_Main", LanguageSection::Hint, "ToolButtonScroll", "Scroll text automatically (Ins)"},
        {"AA_Main", LanguageSection::Caption, "LabelS_1", "when speed great than LPS"},
        {"AA_Main", LanguageSection::DialogCaption, "Define Custom Colors >>", "&Define Custom Colors >>"},
        {"AA_Browse", LanguageSection::String, "Text02",
         "Are you sure, what you want to delete this is book ?"},
        {"AA_Browse", LanguageSection::String, "Text03", "Error during file convertion"},
        {"AA_Browse", LanguageSection::String, "Text07", "MS Word cannot open file - "},
        {"AA_Browse", LanguageSection::String, "Text08", "Choose files in archive for unpacking - "},
        {"AA_Bookmarks", LanguageSection::Hint, "ToolButton4", "Deleta All Bookmarks"},
        {"AA_Bookmarks", LanguageSection::Hint, "ToolButton6", "Go to to the Custom Position"},
        {"AA_Bookmarks", LanguageSection::String, "Text00",
         "Are you sure, what you want to delete all bookmarks ?"},
        {"AA_Encode", LanguageSection::String, "TextCaption",
         "Book Preview. Definition codepage of the text of the book"},
        {"AA_Percent", LanguageSection::String, "TextCaption", "Enter New Text Position"},
        {"AA_Profile", LanguageSection::String, "ButEdit", "Modify Profile"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuiltIn().Table(c.window).Text(c.section, c.key, kEnglish), c.english)
            << c.window << " " << c.key;
    }
}

}  // namespace
}  // namespace corvalin
