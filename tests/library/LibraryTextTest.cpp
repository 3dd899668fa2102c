#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/LibraryText.h"
#include "library/VEMAuthor.h"

namespace corvalin {
namespace {

TEST(LibraryText, LooksLikeName) {
    struct Row {
        const char16_t* text;
        bool name;
        const char* why;
    };
    const Row rows[] = {
        {u"Smith John", true, "surname and given name"},
        {u"Smith J. K.", true, "surname and two initials"},
        {u"Dickens Charles John Huffam", true, "three spaces"},
        {u"Толстой Лев", true, "any letters above 64"},
        {u"\"Smith John", true, "the first character is never examined"},
        {u"J. Smith", false, "an initial before the surname"},
        {u"Smith", false, "a single word"},
        {u"One Two Three Four Five", false, "four spaces"},
        {u"Agent 007", false, "digits"},
        {u"Smith, John", false, "punctuation"},
        {u"Jean-Paul Sartre", false, "a hyphen"},
        {u"Li Wu", false, "a space right after a one-letter word"},
        {u"Smith J K", false, "an initial without its full stop"},
        {u"", false, "nothing"},
    };
    for (const Row& row : rows) EXPECT_EQ(LooksLikeName(row.text), row.name) << row.why;
}

TEST(LibraryText, CaseIsIgnoredOneCharacterAtATime) {
    EXPECT_TRUE(SameText(u"ТОЛСТОЙ Лев", u"толстой лев"));
    EXPECT_TRUE(SameText(u"Ærø", u"æRØ"));
    EXPECT_FALSE(SameText(u"Smith", u"Smith "));
    // Folding keeps every text as long as it was, so "ß" is not "ss".
    EXPECT_FALSE(SameText(u"STRASSE", u"straße"));
    EXPECT_TRUE(BeginsWithSameText(u"SMITH JOHN. War", u"smith john"));
    EXPECT_FALSE(BeginsWithSameText(u"Smith", u"Smith John"));
    EXPECT_LT(CompareIgnoringCase(u"alpha", u"BETA"), 0);
    EXPECT_EQ(CompareIgnoringCase(u"Ёлка", u"ёЛКА"), 0);

    // The derivation's index finds lines by their first folded units.
    const KeyRange range = PrefixKeyRange(u"Li");
    for (const char16_t* line : {u"li", u"LION KING", u"Lithuania"}) {
        const uint64_t key = FoldedPrefixKey(line);
        EXPECT_TRUE(key >= range.low && key <= range.high) << "line " << std::u16string(line).size();
    }
    const uint64_t other = FoldedPrefixKey(u"Lo");
    EXPECT_FALSE(other >= range.low && other <= range.high);
}

TEST(LibraryText, TrimKeepsASingleCharacter) {
    EXPECT_EQ(Trim(u"  X \t"), u"X");
    EXPECT_EQ(Trim(u" \r\n\t "), u"");
    EXPECT_EQ(Trim(u"War and Peace"), u"War and Peace");
}

TEST(KnownNames, StayOrderedByKindNewestFirst) {
    std::vector<KnownName> list;
    VEMAuthor names(list);
    names.Add(u"Alpha", kDerivedAuthor);
    names.Add(u"Beta", kConfirmedAuthor);
    names.Add(u"A Title", kRejectedTitle);
    names.Add(u"Delta", kDerivedAuthor);
    names.Add(u"Gamma", kRejectedAuthor);
    // Adding again moves the name to its new kind: no name is listed twice.
    names.Add(u"Alpha", kRejectedAuthor);

    std::vector<std::pair<std::u16string, int32_t>> order;
    for (const KnownName& entry : list) order.emplace_back(entry.name, entry.kind);
    const std::vector<std::pair<std::u16string, int32_t>> expected = {
        {u"Beta", 3}, {u"Delta", 2}, {u"Alpha", 1}, {u"Gamma", 1}, {u"A Title", 0}};
    EXPECT_EQ(order, expected);

    EXPECT_TRUE(names.HasExactly(u"Alpha", kRejectedAuthor));
    EXPECT_FALSE(names.HasExactly(u"Alpha", kDerivedAuthor));
    EXPECT_FALSE(names.HasExactly(u"alpha", kRejectedAuthor));
    EXPECT_TRUE(names.HasSameText(u"alpha", kRejectedAuthor));

    // The derivation takes the authors (kinds 3 and 2) in list order, each once.
    std::u16string name;
    std::vector<std::u16string> taken;
    while (names.TakeNextAuthor(name)) taken.push_back(name);
    EXPECT_EQ(taken, (std::vector<std::u16string>{u"Beta", u"Delta"}));
    // A name added while it runs is taken next.
    names.Add(u"Epsilon", kDerivedAuthor);
    ASSERT_TRUE(names.TakeNextAuthor(name));
    EXPECT_EQ(name, u"Epsilon");

    names.Remove(u"Beta");
    EXPECT_FALSE(names.HasSameText(u"BETA", kConfirmedAuthor));
}

}  // namespace
}  // namespace corvalin
