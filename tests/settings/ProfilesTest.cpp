#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/ProfileItems.h"
#include "settings/Profiles.h"
#include "settings/SettingTags.h"
#include "settings/SettingsFixtures.h"
#include "settings/VEMOptions.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

using test::HandlerLog;

constexpr uint32_t kPropFontSizeTag = tags::kProportionalBase + tags::kFontSizeOffset;

std::vector<uint32_t> Ids(VEMOpt& store) {
    std::vector<uint32_t> ids;
    for (VEMOpt* p = store.First(); p != nullptr; p = store.Next(p)) ids.push_back(p->Key());
    return ids;
}

std::vector<uint32_t> Tags(VEMOpt& profile) {
    std::vector<uint32_t> tags;
    for (VEMOpt* r = profile.First(); r != nullptr; r = profile.Next(r)) tags.push_back(r->Key());
    return tags;
}

// Items by their check box name, e.g. Checks({"CheckBoxA_3", "CheckBoxC_1"}).
ProfileChecks Checks(std::initializer_list<std::string> names) {
    ProfileChecks checks;
    const auto items = ProfileItems();
    for (const std::string& name : names) {
        for (size_t i = 0; i < items.size(); ++i) {
            if (name == items[i].checkBox) checks.set(i);
        }
    }
    EXPECT_EQ(checks.count(), names.size()) << "unknown check box name";
    return checks;
}

// ---------------------------------------------------------------------------------------------
// The store

TEST(ProfilesBuiltin, TenProfilesWithTheirIdsAndOnlyTheirOwnTags) {
    VEMOpt store;
    CreateBuiltinProfiles(store);
    EXPECT_EQ(Ids(store), (std::vector<uint32_t>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11}));

    VEMOpt* whiteBlack = store.Find(1);
    EXPECT_EQ(whiteBlack->Value(), "Colors White/Black");
    EXPECT_EQ(Tags(*whiteBlack),
              (std::vector<uint32_t>{0x203, 0x204, 0x220, 0x221, 0x303, 0x304, 0x320, 0x321}));
    EXPECT_EQ(whiteBlack->GetInt(0x221, -1), 0x8000);
    EXPECT_EQ(whiteBlack->Find(0x204)->ValueLength(), 0u) << "colour 0 is an empty value";
    EXPECT_EQ(store.Find(6)->GetInt(0x304, -1), 0x4A3800);
    EXPECT_EQ(store.Find(6)->GetInt(0x204, -1), 0x533F00);
    EXPECT_EQ(store.Find(10)->Value(), "Font - 28");
    EXPECT_EQ(Tags(*store.Find(11)), std::vector<uint32_t>{kPropFontSizeTag});
    EXPECT_EQ(store.Find(11)->GetInt(kPropFontSizeTag, -1), 20);
}

TEST(ProfilesStore, AddedProfilesFillTheGapsBetweenBuiltinIds) {
    VEMOpt store;
    CreateBuiltinProfiles(store);
    VEMOptions options;
    const ProfileChecks checks = Checks({"CheckBoxC_1"});
    EXPECT_EQ(AddProfile(store, "First", options, checks)->Key(), 0u);
    EXPECT_EQ(AddProfile(store, "Second", options, checks)->Key(), 9u);
    EXPECT_EQ(AddProfile(store, "  Third\t", options, checks)->Key(), 12u);
    EXPECT_EQ(store.Find(12)->Value(), "Third");
}

TEST(ProfilesStore, StoringWritesTheTickedItemsInDialogOrderFromTheLiveValues) {
    VEMOptions options;
    options.Set(Setting::LinesPerSecond, 77);
    options.Set(Setting::FixedItalic, 1);
    options.SetFontName(FontKind::Proportional, "Arial");
    VEMOpt store;
    VEMOpt* profile = StoreProfile(store, 3, "Speed and fonts", options,
                                   Checks({"CheckBoxA_0", "CheckBoxC_0", "CheckBoxD_2"}));
    EXPECT_EQ(profile->Value(), "Speed and fonts");
    EXPECT_EQ(Tags(*profile),
              (std::vector<uint32_t>{0x100, 0x101, 0x102, 0x10C, 0x200, 0x307, 0x308, 0x309, 0x310}));
    EXPECT_EQ(profile->GetInt(0x100, 0), 77);
    EXPECT_EQ(profile->GetString(0x200, ""), "Arial");
    EXPECT_TRUE(profile->GetBool(0x308, false));
    EXPECT_EQ(profile->Find(0x307)->ValueLength(), 1u) << "bools take one byte";
}

TEST(ProfilesStore, UnderSpeedTheEffectiveValuesAreStored) {
    VEMOptions options;
    options.Set(Setting::ScrollMode, 2);
    options.Set(Setting::AntiFlicker, 3);
    options.Set(Setting::QualityPriority, 0);
    VEMOpt store;
    VEMOpt* profile =
        StoreProfile(store, 1, "Fast", options, Checks({"CheckBoxA_2", "CheckBoxA_5", "CheckBoxB_2"}));
    EXPECT_EQ(profile->GetInt(tags::kScrollMode, -1), 1) << "Hardware, whatever is stored";
    EXPECT_EQ(profile->GetInt(tags::kAntiFlicker, -1), 0);
    EXPECT_FALSE(profile->GetBool(tags::kSmoothMovement, true));
}

TEST(ProfilesStore, ModifyingKeepsTheIdAndOnlyTheItemsTickedNow) {
    VEMOpt store;
    VEMOptions options;
    VEMOpt* profile = AddProfile(store, "Look", options, Checks({"CheckBoxC_1", "CheckBoxC_2"}));
    const uint32_t id = profile->Key();
    AddProfile(store, "Other", options, Checks({"CheckBoxB_3"}));
    EXPECT_EQ(LoadProfileChecks(*profile), Checks({"CheckBoxC_1", "CheckBoxC_2"}));

    // The dialog hands back the profile's own name; untick "Font Attributes".
    profile = ModifyProfile(store, profile, profile->Value(), options, Checks({"CheckBoxC_1"}));
    EXPECT_EQ(profile->Key(), id);
    EXPECT_EQ(profile->Value(), "Look");
    EXPECT_EQ(Tags(*profile), std::vector<uint32_t>{kPropFontSizeTag});
    EXPECT_EQ(Ids(store).size(), 2u);
}

TEST(ProfilesStore, ChecksTickAnItemWhenAnyOfItsTagsIsPresent) {
    VEMOpt profile;
    profile.SetInt(tags::kCharsPerSecond, 10);                         // one of four "Auto Scroll Speed" tags
    profile.SetBool(tags::kFixedBase + tags::kStrikeOutOffset, true);  // one of four attributes
    profile.SetInt(tags::kAnyFontsAllowed, 1);
    profile.SetInt(0x4444, 1);  // not a setting
    EXPECT_EQ(LoadProfileChecks(profile), Checks({"CheckBoxA_0", "CheckBoxD_2", "CheckBoxD_10"}));
}

TEST(ProfilesStore, DeleteAndDeleteAll) {
    VEMOpt store;
    CreateBuiltinProfiles(store);
    DeleteProfile(FindProfile(store, "Font - 28"));
    EXPECT_EQ(FindProfile(store, "Font - 28"), nullptr);
    EXPECT_EQ(Ids(store).size(), 9u);
    DeleteAllProfiles(store);
    EXPECT_EQ(store.First(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Applying

TEST(ProfilesApply, OnlyTheStoredSettingsChange) {
    VEMOptions options;
    options.SetFontName(FontKind::Proportional, "Arial");
    VEMOpt store;
    CreateBuiltinProfiles(store);
    HandlerLog log(options);
    ApplyProfile(options, *FindProfile(store, "Font - 28"));
    EXPECT_EQ(options.FontName(FontKind::Proportional), "Arial");
    EXPECT_EQ(options.Get(Setting::PropFontSize), 28);
    EXPECT_EQ(log.Take(), "SPV") << "one notification for the whole profile";

    ApplyProfile(options, *FindProfile(store, "Colors White/Black"));
    EXPECT_EQ(options.Get(Setting::PropTextColor), 0);
    EXPECT_EQ(options.Get(Setting::FixedFirstLetterColor), 0x8000);
    EXPECT_EQ(options.Get(Setting::PropFontSize), 28);
}

struct PriorityRow {
    const char* name;
    bool qualityBefore;
    bool profileSetsQuality;
    int32_t antialiasingAfter;  // the profile stores 2, the live value is 1
    int32_t cacheAfter;         // the profile stores 5, the live value is 0
};

class ProfilesPriority : public testing::TestWithParam<PriorityRow> {};

// Tags apply in ascending order: Priority (0x110) switches after Antialiasing (0x103) has been
// examined, but before the cache index (0x111).
TEST_P(ProfilesPriority, GuardedSettingsSeeThePriorityInForceAtTheirTag) {
    const PriorityRow& row = GetParam();
    VEMOptions options;
    options.Set(Setting::Antialiasing, 1);
    options.Set(Setting::QualityPriority, row.qualityBefore);
    VEMOpt profile;
    profile.SetInt(tags::kAntialiasing, 2);
    profile.SetInt(tags::kCacheSizeIndex, 5);
    if (row.profileSetsQuality) profile.SetBool(tags::kQualityPriority, true);

    ApplyProfile(options, profile);
    EXPECT_EQ(options.Get(Setting::Antialiasing), row.antialiasingAfter);
    EXPECT_EQ(options.Get(Setting::CacheSizeIndex), row.cacheAfter);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProfilesPriority,
                         testing::Values(PriorityRow{"SpeedIgnoresThem", false, false, 1, 0},
                                         PriorityRow{"QualityTakesThem", true, false, 2, 5},
                                         PriorityRow{"SwitchingToQualityTakesOnlyLaterTags", false, true, 1,
                                                     5}),
                         [](const testing::TestParamInfo<PriorityRow>& info) { return info.param.name; });

TEST(ProfilesApply, ValuesAreDecodedByTheSettingsType) {
    VEMOptions options;
    VEMOpt profile;
    profile.SetString(tags::kCrop, std::string("\0\1", 2));  // a bool is its first byte
    profile.SetString(tags::kScrollMode, "\x02\x01");        // int 0x102, held in 8 bits
    profile.SetString(tags::kFixedBase + tags::kFontNameOffset, "Mono");
    profile.SetString(tags::kLinesPerSecond, "\xF4\x01\x00\x00\x07");  // only 4 bytes count
    ApplyProfile(options, profile);
    EXPECT_EQ(options.Get(Setting::Crop), 0);
    EXPECT_EQ(options.Get(Setting::ScrollMode), 2);
    EXPECT_EQ(options.FontName(FontKind::Fixed), "Mono");
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 500);
}

// ---------------------------------------------------------------------------------------------
// The profile list

TEST(ProfilesList, ResetEntryFirstThenNamesWithoutRegardToCase) {
    VEMOpt store;
    store.SetString(4, "beta");
    store.SetString(1, "Gamma");
    store.SetString(2, "alpha");
    store.SetString(3, "Beta");
    const ProfileList list = RefreshProfileList(store, "Reset All Settings by Default", "Beta");
    EXPECT_EQ(list.entries,
              (std::vector<std::string>{"Reset All Settings by Default", "alpha", "Beta", "beta", "Gamma"}));
    EXPECT_EQ(list.selected, 2);
    EXPECT_EQ(RefreshProfileList(store, "Reset", "").selected, -1);
    EXPECT_EQ(RefreshProfileList(store, "Reset", "BETA").selected, -1) << "selection is exact";
}

TEST(ProfilesList, FollowsLocaleOrderIgnoringPunctuation) {
    VEMOpt store;
    store.SetString(1, "Zebra");
    store.SetString(2, "Co-op");
    store.SetString(3,
                    "\xC3\x89"
                    "clair");  // "Éclair"
    store.SetString(4, "Coat");
    EXPECT_EQ(RefreshProfileList(store, "Reset", "").entries,
              (std::vector<std::string>{"Reset", "Coat", "Co-op",
                                        "\xC3\x89"
                                        "clair",
                                        "Zebra"}));
}

TEST(ProfilesList, TheLastOfEqualNamesIsSelected) {
    VEMOpt store;
    store.SetString(1, "Same");
    store.SetString(2, "Same");
    EXPECT_EQ(RefreshProfileList(store, "Reset", "Same").selected, 2);
}

TEST(ProfilesList, NamesDifferingOnlyInCaseApplyTheirOwnProfile) {
    VEMOpt store;
    store.SetString(1, "night")->SetInt(kPropFontSizeTag, 30);
    store.SetString(2, "Night")->SetInt(kPropFontSizeTag, 40);
    const ProfileList list = RefreshProfileList(store, "Reset", "");
    VEMOptions options;
    for (int index = 1; index <= 2; ++index) {
        ChooseProfileEntry(options, store, list, index);
        EXPECT_EQ(options.Get(Setting::PropFontSize), list.entries[size_t(index)] == "night" ? 30 : 40);
    }
}

TEST(ProfilesList, TheFirstEntryResetsToFactory) {
    VEMOpt store;
    VEMOptions options;
    options.Set(Setting::PropKerning, 50);
    options.Set(Setting::QualityPriority, 0);
    ChooseProfileEntry(options, store, RefreshProfileList(store, "Reset", ""), 0);
    EXPECT_EQ(options.Values(), SettingValues());
    ChooseProfileEntry(options, store, RefreshProfileList(store, "Reset", ""), 1);  // past the end
    EXPECT_EQ(options.Values(), SettingValues());
}

}  // namespace
}  // namespace corvalin
