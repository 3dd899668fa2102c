#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ProfileRules.h"

namespace corvalin {
namespace {

using enum CheckState;

struct NameRow {
    const char* name;
    ProfileDialogMode mode;
    const char* text;
    bool valid;
};

class ProfileDialogNames : public testing::TestWithParam<NameRow> {};

TEST_P(ProfileDialogNames, NameIsValidWhenTrimmedNonEmptyAndUnlikeEveryOtherProfile) {
    const NameRow& row = GetParam();
    ProfileDialogRules dialog;
    ProfileChecks checks;
    checks.set(0);
    // In modify mode the profile's own name ("Mine") is not among the others.
    dialog.Begin(row.mode, {"Night", "Day"}, checks, "Mine");
    if (row.mode == ProfileDialogMode::Create) dialog.ClickItem(0);
    dialog.SetName(row.text);
    EXPECT_EQ(dialog.NameValid(), row.valid);
    EXPECT_EQ(dialog.OkEnabled(), row.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ProfileDialogNames,
    testing::Values(NameRow{"Empty", ProfileDialogMode::Create, "", false},
                    NameRow{"OnlyBlanks", ProfileDialogMode::Create, " \t ", false},
                    NameRow{"TakenByAnother", ProfileDialogMode::Create, "Night", false},
                    NameRow{"TakenOnceTrimmed", ProfileDialogMode::Create, "  Night ", false},
                    NameRow{"DiffersOnlyInCase", ProfileDialogMode::Create, "night", true},
                    NameRow{"New", ProfileDialogMode::Create, "Evening", true},
                    NameRow{"ModifiedKeepsItsOwnName", ProfileDialogMode::Modify, "Mine", true},
                    NameRow{"ModifiedTakesAnothersName", ProfileDialogMode::Modify, "Day", false}),
    [](const testing::TestParamInfo<NameRow>& info) { return info.param.name; });

TEST(ProfileDialogChecks, GroupsAndAllFollowTheItemsAndOkNeedsASelection) {
    ProfileDialogRules dialog;
    dialog.Begin(ProfileDialogMode::Create, {});
    dialog.SetName("Evening");
    EXPECT_EQ(dialog.All(), Unchecked);
    EXPECT_FALSE(dialog.OkEnabled()) << "nothing selected";

    dialog.ClickItem(FirstItemOf(ProfileGroup::Scroll));
    EXPECT_EQ(dialog.Group(ProfileGroup::Scroll), Grayed);
    EXPECT_EQ(dialog.All(), Grayed);
    EXPECT_TRUE(dialog.OkEnabled());

    for (size_t i = 1; i < ItemCountOf(ProfileGroup::Scroll); ++i)
        dialog.ClickItem(FirstItemOf(ProfileGroup::Scroll) + i);
    EXPECT_EQ(dialog.Group(ProfileGroup::Scroll), Checked);
    EXPECT_EQ(dialog.All(), Grayed) << "the groups differ";

    dialog.ClickGroup(ProfileGroup::Text);
    dialog.ClickGroup(ProfileGroup::ProportionalFont);
    dialog.ClickGroup(ProfileGroup::FixedFont);
    EXPECT_EQ(dialog.All(), Checked);
    EXPECT_TRUE(dialog.Checks().all());

    // Unticking one item grays its group and "All"; clicking the grayed group ticks it all.
    const size_t attributes = FirstItemOf(ProfileGroup::FixedFont) + 2;
    dialog.ClickItem(attributes);
    EXPECT_EQ(dialog.Item(attributes), Unchecked);
    EXPECT_EQ(dialog.Group(ProfileGroup::FixedFont), Grayed);
    EXPECT_EQ(dialog.All(), Grayed);
    dialog.ClickGroup(ProfileGroup::FixedFont);
    EXPECT_EQ(dialog.Group(ProfileGroup::FixedFont), Checked);
    EXPECT_EQ(dialog.Item(attributes), Checked);

    dialog.ClickGroup(ProfileGroup::Text);
    EXPECT_EQ(dialog.Group(ProfileGroup::Text), Unchecked);
    EXPECT_EQ(dialog.All(), Grayed);
    dialog.ClickAll();  // a grayed "All" ticks everything
    EXPECT_EQ(dialog.All(), Checked);
    EXPECT_TRUE(dialog.Checks().all());
    dialog.ClickAll();
    EXPECT_EQ(dialog.All(), Unchecked);
    EXPECT_TRUE(dialog.Checks().none());
    EXPECT_EQ(dialog.Group(ProfileGroup::Scroll), Unchecked);
    EXPECT_FALSE(dialog.OkEnabled());
}

TEST(ProfileDialogChecks, ModifyStartsFromTheProfilesItems) {
    ProfileChecks checks;
    for (size_t i = 0; i < ItemCountOf(ProfileGroup::Text); ++i)
        checks.set(FirstItemOf(ProfileGroup::Text) + i);
    checks.set(FirstItemOf(ProfileGroup::FixedFont));
    ProfileDialogRules dialog;
    dialog.Begin(ProfileDialogMode::Modify, {"Other"}, checks, "Mine");
    EXPECT_EQ(dialog.Name(), "Mine");
    EXPECT_EQ(dialog.Group(ProfileGroup::Scroll), Unchecked);
    EXPECT_EQ(dialog.Group(ProfileGroup::Text), Checked);
    EXPECT_EQ(dialog.Group(ProfileGroup::FixedFont), Grayed);
    EXPECT_EQ(dialog.All(), Grayed);
    EXPECT_TRUE(dialog.OkEnabled());
}

TEST(ProfileDialogChecks, CreateStartsEmptyWhateverWasShownBefore) {
    ProfileChecks checks;
    checks.set();
    ProfileDialogRules dialog;
    dialog.Begin(ProfileDialogMode::Modify, {}, checks, "Mine");
    dialog.Begin(ProfileDialogMode::Create, {"Mine"});
    EXPECT_EQ(dialog.Name(), "");
    EXPECT_TRUE(dialog.Checks().none());
    EXPECT_EQ(dialog.All(), Unchecked);
    EXPECT_FALSE(dialog.OkEnabled());
}

TEST(ProfileDialogChecks, DeleteConfirmsAsShownAndAcceptsNoChanges) {
    ProfileChecks checks;
    checks.set(3);
    ProfileDialogRules dialog;
    dialog.Begin(ProfileDialogMode::Delete, {"Mine"}, checks, "Mine");
    EXPECT_TRUE(dialog.OkEnabled());
    EXPECT_FALSE(dialog.Editable());
    dialog.ClickAll();
    dialog.ClickItem(4);
    dialog.ClickGroup(ProfileGroup::Text);
    dialog.SetName("");
    EXPECT_EQ(dialog.Checks(), checks);
    EXPECT_EQ(dialog.Name(), "Mine");
    EXPECT_TRUE(dialog.OkEnabled());
}

TEST(ProfileNameTrim, DropsControlCharactersAndSpacesAtBothEnds) {
    EXPECT_EQ(TrimProfileName("\x01 \tName  x\r\n"), "Name  x");
    EXPECT_EQ(TrimProfileName("   "), "");
    EXPECT_EQ(TrimProfileName("x"), "x");
}

}  // namespace
}  // namespace corvalin
