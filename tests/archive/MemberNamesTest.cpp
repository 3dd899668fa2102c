#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "archive/MemberNames.h"

namespace corvalin {
namespace {

struct NameCase {
    const char* why;
    std::string stored;
    std::optional<std::string> safe;
};

TEST(MemberNames, OnlyAPlainFileNameLeavesTheArchive) {
    const NameCase cases[] = {
        {"plain name", "book.txt", "book.txt"},
        {"folders are dropped", "texts/russian/book.txt", "book.txt"},
        {"DOS folders are dropped", "TEXTS\\BOOK.TXT", "BOOK.TXT"},
        {"climbing up ends in a plain name", "../../etc/passwd", "passwd"},
        {"absolute name", "/etc/passwd", "passwd"},
        {"drive letter", "C:BOOK.TXT", "BOOK.TXT"},
        {"drive and folder", "C:\\DOCS\\BOOK.TXT", "BOOK.TXT"},
        {"a folder entry has no file name", "texts/", std::nullopt},
        {"dot dot alone", "..", std::nullopt},
        {"dot dot after folders", "a/b/..", std::nullopt},
        {"empty", "", std::nullopt},
        {"device name", "CON", std::nullopt},
        {"device name with extension", "nul.txt", std::nullopt},
        {"numbered device", "texts/LPT1.TXT", std::nullopt},
        {"not a device", "CONTENTS.TXT", "CONTENTS.TXT"},
        {"COM0 is not a device", "COM0", "COM0"},
        {"control character", std::string("a\nb.txt"), std::nullopt},
        {"Cyrillic UTF-8 name", "книга.txt", "книга.txt"},
    };
    for (const NameCase& c : cases) EXPECT_EQ(SafeMemberFileName(c.stored), c.safe) << c.why;
}

TEST(MemberNames, DosNamesBecomeUtf8) {
    EXPECT_EQ(MemberNameToUtf8("plain.txt"), "plain.txt");
    EXPECT_EQ(MemberNameToUtf8("книга.txt"), "книга.txt");
    // 0x84 is a-umlaut and 0xE1 sharp s in code page 437; neither is valid UTF-8 here.
    EXPECT_EQ(MemberNameToUtf8("M\x84rchen-\xE1.txt"), "Märchen-ß.txt");
}

}  // namespace
}  // namespace corvalin
