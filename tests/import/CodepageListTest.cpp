#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "import/CodepageList.h"

namespace corvalin {
namespace {

TEST(CodepageList, UnicodeFormsComeFirstThenNumbersInOrder) {
    const VEMCodepage list;
    const auto& entries = list.Entries();
    ASSERT_GT(entries.size(), 100u);
    EXPECT_EQ(entries[0].number, -1);
    EXPECT_EQ(entries[0].name, "      (Unicode)");
    EXPECT_EQ(entries[0].maxCharSize, 2);
    EXPECT_EQ(entries[1].number, -2);
    EXPECT_EQ(entries[1].name, "      (Unicode Big Endian)");
    for (size_t i = 2; i < entries.size(); ++i) {
        EXPECT_GE(entries[i].number, 16);
        EXPECT_LE(entries[i].number, 65535);
        if (i > 2) EXPECT_LT(entries[i - 1].number, entries[i].number);
        EXPECT_FALSE(entries[i].converterName.empty()) << entries[i].number;
    }
    // UTF-16 is there only as the two entries above.
    EXPECT_EQ(list.Find(1200), nullptr);
    EXPECT_EQ(list.Find(1201), nullptr);
}

TEST(CodepageList, NamesTheUsualPagesAsWindowsDoes) {
    const VEMCodepage list;
    struct Expected {
        int32_t number;
        const char* name;
        int32_t maxCharSize;
    };
    for (const Expected& e :
         {Expected{1251, "1251  (ANSI - Cyrillic)", 1}, Expected{866, "866   (OEM - Russian)", 1},
          Expected{20866, "20866 (Russian - KOI8)", 1}, Expected{65001, "65001 (UTF-8)", 4},
          Expected{1252, "1252  (ANSI - Latin I)", 1},
          Expected{932, "932   (ANSI/OEM - Japanese Shift-JIS)", 2},
          Expected{936, "936   (ANSI/OEM - Simplified Chinese GBK)", 2},
          Expected{28591, "28591 (ISO 8859-1 Latin I)", 1}}) {
        const VEMCodepageObject* page = list.Find(e.number);
        ASSERT_NE(page, nullptr) << e.number;
        EXPECT_EQ(page->name, e.name);
        EXPECT_EQ(page->maxCharSize, e.maxCharSize) << e.number;
    }
    // An IBM number ICU knows but Windows gives no description for is shown as a number.
    const VEMCodepageObject* ibm = list.Find(1047);
    ASSERT_NE(ibm, nullptr);
    EXPECT_EQ(list.Find(5347), nullptr) << "the IBM number of windows-1251 is left out";
}

TEST(CodepageList, CharsetNamesLeadToListedPages) {
    struct Case {
        const char* name;
        int32_t number;
    };
    for (const Case& c :
         {Case{"windows-1251", 1251}, Case{"CP1251", 1251}, Case{"KOI8-R", 20866}, Case{"koi8r", 20866},
          Case{"IBM866", 866}, Case{"UTF-8", 65001}, Case{"Shift_JIS", 932}, Case{"GBK", 936},
          Case{"EUC-JP", 51932}, Case{"ISO-8859-5", 28595}, Case{"no-such-charset", 0}}) {
        EXPECT_EQ(CodePageOfCharsetName(c.name), c.number) << c.name;
    }
}

// Sets one environment variable for the life of the object.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) {
            setenv(name, value, 1);
        } else {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(CodepageList, SystemCodePageFollowsTheLocale) {
    struct Case {
        const char* locale;
        int32_t number;
    };
    // Locales that are not installed still name their character set.
    for (const Case& c : {Case{"C.UTF-8", 65001}, Case{"ru_RU.CP1251", 1251}, Case{"ru_RU.KOI8-R", 20866},
                          Case{"ru_RU.IBM866", 866}, Case{"de_DE.ISO-8859-1@euro", 28591}, Case{"C", 65001},
                          Case{"POSIX", 65001}}) {
        ScopedEnvironment all("LC_ALL", c.locale);
        EXPECT_EQ(SystemCodePage(), c.number) << c.locale;
    }
    ScopedEnvironment all("LC_ALL", "ru_RU.CP1251");
    const VEMCodepage list;
    EXPECT_EQ(list.Entries()[size_t(list.InitialIndex())].number, 1251);
}

}  // namespace
}  // namespace corvalin
