#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "books/BookFormat.h"
#include "settings/SettingsFixtures.h"
#include "settings/StoredSettings.h"
#include "settings/VEMOptions.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

using test::HandlerLog;

// ---------------------------------------------------------------------------------------------
// Notification

TEST(VEMOptionsNotify, NestedUpdatesRunEachMarkedHandlerOnceAtTheOutermostEnd) {
    VEMOptions options;
    HandlerLog log(options);
    options.BeginUpdate();
    options.BeginUpdate();
    options.Set(Setting::FixedTextColor, 0x123456);  // the group not in use: Fixed only
    options.Set(Setting::PropPageMargins, 9);        // State, View
    options.EndUpdate();
    EXPECT_EQ(log.Take(), "");
    options.Set(Setting::Crop, 0);
    options.EndUpdate();
    EXPECT_EQ(log.Take(), "SFV");
    EXPECT_EQ(options.Pending(), kPendingNone);
    EXPECT_EQ(options.UpdateLock(), 0);
}

TEST(VEMOptionsNotify, UnconnectedHandlersAreSkippedButTheirFlagsCleared) {
    VEMOptions options;
    HandlerLog log(options);
    options.OnStateChanged = nullptr;
    options.Set(Setting::Antialiasing, 1);
    EXPECT_EQ(log.Take(), "PFV");
    EXPECT_EQ(options.Pending(), kPendingNone);
}

TEST(VEMOptionsNotify, AnAssignmentInsideAHandlerIsNotifiedAgain) {
    VEMOptions options;
    HandlerLog log(options);
    bool corrected = false;
    // The panel refresh puts a damaged cache index back to 0 from inside the state handler.
    options.OnStateChanged = [&] {
        log.calls += 'S';
        if (!corrected) {
            corrected = true;
            options.Set(Setting::CacheSizeIndex, 0);
        }
    };
    options.Set(Setting::Crop, 0);
    EXPECT_EQ(log.Take(), "SSV");
}

struct MarkRow {
    const char* name;
    bool proportionalInUse;
    Setting setting;
    std::string expected;
};

class VEMOptionsMarks : public testing::TestWithParam<MarkRow> {};

TEST_P(VEMOptionsMarks, AssignmentMarksWhatItsPanelControlMarks) {
    const MarkRow& row = GetParam();
    VEMOptions options;
    options.Set(Setting::Proportional, row.proportionalInUse);
    HandlerLog log(options);
    options.Set(row.setting, options.Get(row.setting) ^ 1);
    EXPECT_EQ(log.Take(), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, VEMOptionsMarks,
    testing::Values(MarkRow{"ColourOfTheGroupInUse", true, Setting::PropBackColor, "SPV"},
                    MarkRow{"ColourOfTheOtherGroupOnlyRedrawsIt", true, Setting::FixedBackColor, "F"},
                    MarkRow{"FixedColourWhileFixedInUse", false, Setting::FixedBackColor, "SFV"},
                    MarkRow{"KerningOfTheOtherGroup", false, Setting::PropKerning, "P"},
                    MarkRow{"MarginsOfTheOtherGroupStillRelayOut", true, Setting::FixedPageMargins, "SV"},
                    MarkRow{"LineIntervalOfTheOtherGroup", false, Setting::PropLineInterval, "SV"},
                    MarkRow{"ParagraphInterval", true, Setting::ParagraphInterval, "SPV"},
                    MarkRow{"AnyFontsAllowedWhileProportional", true, Setting::AnyFontsAllowed, "F"},
                    MarkRow{"AntialiasingRedrawsEverything", true, Setting::Antialiasing, "SPFV"},
                    MarkRow{"SmoothMovementOnlyState", true, Setting::SmoothMovement, "S"},
                    MarkRow{"LinesPerSecondOnlyState", true, Setting::LinesPerSecond, "S"},
                    MarkRow{"ConstantSpeedOnlyState", true, Setting::ConstantSpeed, "S"},
                    MarkRow{"SuperScrollLimit", true, Setting::SuperScrollLimit, "S"},
                    MarkRow{"AntiFlicker", true, Setting::AntiFlicker, "SV"},
                    MarkRow{"PriorityNotifiesTwice", true, Setting::QualityPriority, "SVSPFV"},
                    MarkRow{"FontWidth", true, Setting::Proportional, "SV"}),
    [](const testing::TestParamInfo<MarkRow>& info) { return info.param.name; });

TEST(VEMOptionsMarks, AnAssignmentDoesNotTellTheGaugeInsideAnUpdate) {
    VEMOptions options;
    HandlerLog log(options);
    options.BeginUpdate();
    options.Set(Setting::CharsPerSecond, 44);
    EXPECT_EQ(log.Take(), "");
    options.EndUpdate();
    EXPECT_EQ(log.Take(), "S");
}

// ---------------------------------------------------------------------------------------------
// Priority "Speed" and the effective values

struct SpeedRow {
    const char* name;
    Setting setting;
    int32_t stored;
    int32_t speedValue;
};

const SpeedRow kSpeedRows[] = {
    {"AutoMode", Setting::AutoMode, 2, 0},
    {"ScrollMode", Setting::ScrollMode, 2, 1},
    {"Antialiasing", Setting::Antialiasing, 3, 0},
    {"SuperScroll", Setting::SuperScroll, 2, 0},
    {"AntiFlicker", Setting::AntiFlicker, 4, 0},
    {"SmoothMovement", Setting::SmoothMovement, 1, 0},
    {"CacheSizeIndex", Setting::CacheSizeIndex, 7, 0},
};

TEST(VEMOptionsSpeed, SpeedValuesShowWhileStoredValuesSurviveTheSwitch) {
    VEMOptions options;
    for (const SpeedRow& row : kSpeedRows) options.Set(row.setting, row.stored);
    options.Set(Setting::QualityPriority, 0);

    for (const SpeedRow& row : kSpeedRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(options.Effective(row.setting), row.speedValue);
        EXPECT_EQ(options.Get(row.setting), row.stored);
    }
    options.Set(Setting::QualityPriority, 1);
    for (const SpeedRow& row : kSpeedRows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(options.Effective(row.setting), row.stored);
    }
}

TEST(VEMOptionsSpeed, GuardedAssignmentsAreIgnoredUnderSpeedExceptAntiFlicker) {
    VEMOptions options;
    options.Set(Setting::QualityPriority, 0);
    HandlerLog log(options);

    // "4x4 (16 samples)" chosen in the panel under Speed changes nothing, not even a mark.
    EXPECT_FALSE(options.Set(Setting::Antialiasing, 3));
    EXPECT_EQ(options.Get(Setting::Antialiasing), 0);
    EXPECT_FALSE(options.Set(Setting::ScrollMode, 2));
    EXPECT_FALSE(options.Set(Setting::CacheSizeIndex, 4));
    EXPECT_EQ(log.Take(), "");

    EXPECT_TRUE(options.Set(Setting::AntiFlicker, 3));
    EXPECT_EQ(options.Get(Setting::AntiFlicker), 3);
    EXPECT_EQ(options.Effective(Setting::AntiFlicker), 0);

    options.SetApplyOverride(true);
    EXPECT_TRUE(options.Set(Setting::Antialiasing, 3));
    EXPECT_EQ(options.Effective(Setting::Antialiasing), 3);
    options.SetApplyOverride(false);
    EXPECT_EQ(options.Effective(Setting::Antialiasing), 0);
}

TEST(VEMOptionsValues, AssignmentsAreNormalisedByType) {
    VEMOptions options;
    options.Set(Setting::ScrollMode, 0x102);  // held in 8 bits
    options.Set(Setting::TextFormatting, 0x7FFFFF00);
    options.Set(Setting::Crop, 5);
    options.Set(Setting::LinesPerSecond, 0x10000);
    options.Set(Setting::FixedKerning, -1000);
    EXPECT_EQ(options.Get(Setting::ScrollMode), 2);
    EXPECT_EQ(options.Get(Setting::TextFormatting), 0);
    EXPECT_EQ(options.Get(Setting::Crop), 1);
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 0x10000);
    EXPECT_EQ(options.Get(Setting::FixedKerning), -1000);
}

// ---------------------------------------------------------------------------------------------
// Fonts

TEST(VEMOptionsFonts, FontOfTakesTheGroupOrTheOneInUse) {
    VEMOptions options;
    options.SetFontName(FontKind::Fixed, "Courier");
    options.Set(Setting::FixedBold, 1);
    options.Set(Setting::FixedStrikeOut, 1);
    const FontDescription fixed{"Courier", 12, 0x4A3800, true, false, false, true};
    const FontDescription proportional{"Comic Sans MS", 26, 0x533F00, false, false, false, false};

    EXPECT_EQ(options.FontOf(0), proportional);
    EXPECT_EQ(options.FontOf(1), fixed);
    EXPECT_EQ(options.FontOf(2), proportional);
    options.Set(Setting::Proportional, 0);
    EXPECT_EQ(options.FontOf(2), fixed);
    EXPECT_EQ(options.FontOf(-1), fixed);
}

TEST(VEMOptionsFonts, AProportionalFontSetsTheParagraphIntervalToAThirdOfItsSize) {
    struct Row {
        int32_t size;
        int32_t interval;
    };
    for (const Row row : {Row{26, 8}, Row{20, 6}, Row{8, 2}}) {
        VEMOptions options;
        HandlerLog log(options);
        options.AssignFont(FontKind::Proportional,
                           FontDescription{"Arial", row.size, 0x10, true, true, false, false});
        EXPECT_EQ(options.Get(Setting::ParagraphInterval), row.interval) << row.size;
        EXPECT_EQ(options.FontOf(0), (FontDescription{"Arial", row.size, 0x10, true, true, false, false}));
        // One notification for the font, one for the interval after it.
        EXPECT_EQ(log.Take(), "SPVSPV");
    }
}

TEST(VEMOptionsFonts, AFixedFontLeavesTheParagraphIntervalAlone) {
    VEMOptions options;
    HandlerLog log(options);
    options.AssignFont(FontKind::Fixed, FontDescription{"Mono", 30, 0, false, false, true, false});
    EXPECT_EQ(options.Get(Setting::ParagraphInterval), 8);
    EXPECT_EQ(options.FontOf(1).size, 30);
    EXPECT_EQ(log.Take(), "F");
}

// ---------------------------------------------------------------------------------------------
// Factory reset and the stored settings

TEST(VEMOptionsReset, FactoryResetRestoresEverySettingEvenUnderSpeedInOneUpdate) {
    VEMOptions options;
    options.Set(Setting::Antialiasing, 3);
    options.Set(Setting::Proportional, 0);
    options.SetFontName(FontKind::Proportional, "Arial");
    options.Set(Setting::LinesPerSecond, 400);
    options.Set(Setting::FixedKerning, -7);
    options.Set(Setting::QualityPriority, 0);
    HandlerLog log(options);

    options.ResetToFactory();
    EXPECT_EQ(options.Values(), SettingValues());
    EXPECT_FALSE(options.ApplyOverride());
    // Each category once, and no gauge flash.
    EXPECT_EQ(log.Take(), "SPFV");
}

TEST(VEMOptionsStored, AllCopiesEverySettingEvenTheGuardedOnesUnderSpeed) {
    StoredSettings stored;
    stored.values.Set(Setting::QualityPriority, 0);
    stored.values.Set(Setting::Antialiasing, 2);
    stored.values.Set(Setting::LinesPerSecond, 0);
    stored.values.SetFontName(FontKind::Fixed, "Terminal");
    stored.values.Set(Setting::Proportional, 0);
    VEMOptions options;
    options.SetAutoScrollOn(true);

    options.ApplyStoredSettings(stored, nullptr, true);
    EXPECT_EQ(options.Values(), stored.values);
    EXPECT_EQ(options.Effective(Setting::Antialiasing), 0);
    EXPECT_FALSE(options.AutoScrollOn());
    EXPECT_FALSE(options.ApplyOverride());
}

TEST(VEMOptionsStored, ABookWithoutItsOwnValuesFallsBackToTheStartUpValues) {
    StoredSettings stored;
    stored.values.Set(Setting::Proportional, 0);
    stored.values.Set(Setting::TextFormatting, 2);
    VEMOptions options;
    options.ApplyStoredSettings(stored, nullptr, true);
    // The user changes them since the start...
    options.Set(Setting::Proportional, 1);
    options.Set(Setting::TextFormatting, 0);
    options.Set(Setting::LinesPerSecond, 123);

    VEMOpt book;
    book.SetWideString(kTagAuthor, u"Author");
    HandlerLog log(options);
    options.ApplyStoredSettings(stored, &book, false);

    // ...but a book without tags 263 and 264 gets the values read at start-up.
    EXPECT_EQ(options.Get(Setting::Proportional), 0);
    EXPECT_EQ(options.Get(Setting::TextFormatting), 2);
    EXPECT_EQ(options.Get(Setting::LinesPerSecond), 123);  // not copied without `all`
    EXPECT_EQ(log.Take(), "SV");
}

TEST(VEMOptionsStored, ABooksOwnFontWidthAndFormattingWin) {
    StoredSettings stored;
    VEMOpt book;
    book.SetBool(kTagProportional, false);
    book.SetInt(kTagFormattingMode, 0x102);  // held in 8 bits
    VEMOptions options;
    options.ApplyStoredSettings(stored, &book, true);
    EXPECT_EQ(options.Get(Setting::Proportional), 0);
    EXPECT_EQ(options.Get(Setting::TextFormatting), 2);
}

}  // namespace
}  // namespace corvalin
