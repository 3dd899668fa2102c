// Which "Super Scroll" and "Anti Flicker" levels the off-screen images allow, the fallback of a
// chosen level that no longer is, and what the view takes of them.
#include <gtest/gtest.h>

#include <string>

#include "layout/VEMRenderParag.h"
#include "layout/ViewSettings.h"
#include "settings/VEMOptions.h"

namespace corvalin {
namespace {

std::string Levels(const LevelAvailability& levels) {
    std::string text = "S";
    for (bool on : levels.superScroll) text += on ? '1' : '0';
    text += " A";
    for (bool on : levels.antiFlicker) text += on ? '1' : '0';
    return text;
}

TEST(LevelAvailability, EveryCombinationOfImagesFactorAndMode) {
    // Expected for each image count 0..4 and factor 1..4, outside Wave mode.
    const char* const expected[5][4] = {
        // f = 1             f = 2                f = 3                f = 4
        {"S1000 A10000", "S1000 A10000", "S1000 A10000", "S1000 A10000"},  // K = 0: no Direct X
        {"S1000 A10000", "S1000 A10000", "S1000 A10000", "S1000 A10000"},  // K = 1
        {"S1000 A10000", "S1100 A11100", "S1000 A11110", "S1100 A11111"},  // K = 2
        {"S1000 A10000", "S1100 A11100", "S1010 A11110", "S1100 A11111"},  // K = 3
        {"S1000 A10000", "S1100 A11100", "S1010 A11110", "S1101 A11111"},  // K = 4
    };
    for (int32_t k = 0; k <= 4; ++k) {
        for (int32_t f = 1; f <= 4; ++f) {
            SCOPED_TRACE("K=" + std::to_string(k) + " f=" + std::to_string(f));
            EXPECT_EQ(Levels(AvailableLevels(k, f, kAutoScroll)), expected[k][f - 1]);
            EXPECT_EQ(Levels(AvailableLevels(k, f, kAutoPageDown)), expected[k][f - 1]);
            // The Wave mode keeps the Anti Flicker levels and loses every Super Scroll level.
            std::string wave = expected[k][f - 1];
            wave.replace(1, 4, "1000");
            EXPECT_EQ(Levels(AvailableLevels(k, f, kAutoWave)), wave);
        }
    }
}

TEST(LevelAvailability, AnUnavailableChoiceFallsBackUnderQualityOnly) {
    VEMOptions options;
    int viewChanges = 0;
    options.OnViewChanged = [&] { ++viewChanges; };
    options.BeginUpdate();
    options.Set(Setting::Antialiasing, 3);
    options.Set(Setting::SuperScroll, 3);
    options.Set(Setting::AntiFlicker, 4);
    options.EndUpdate();
    viewChanges = 0;

    // Still available: nothing changes.
    EXPECT_FALSE(FallBackToAvailableLevels(options, AvailableLevels(4, 4, kAutoScroll)));
    EXPECT_EQ(options.Get(Setting::SuperScroll), 3);
    // Wave: Super Scroll goes, Anti Flicker stays; one notification for the change.
    EXPECT_TRUE(FallBackToAvailableLevels(options, AvailableLevels(4, 4, kAutoWave)));
    EXPECT_EQ(options.Get(Setting::SuperScroll), 0);
    EXPECT_EQ(options.Get(Setting::AntiFlicker), 4);
    EXPECT_EQ(viewChanges, 1);

    // Under Priority "Speed" both read as 0 anyway; the choice is kept for later.
    options.Set(Setting::SuperScroll, 3);
    options.Set(Setting::QualityPriority, 0);
    EXPECT_FALSE(FallBackToAvailableLevels(options, AvailableLevels(0, 1, kAutoScroll)));
    EXPECT_EQ(options.Get(Setting::SuperScroll), 3);
    EXPECT_EQ(options.Get(Setting::AntiFlicker), 4);
    // Back to "Quality" without the images: both fall back.
    options.Set(Setting::QualityPriority, 1);
    EXPECT_TRUE(FallBackToAvailableLevels(options, AvailableLevels(0, 4, kAutoScroll)));
    EXPECT_EQ(options.Get(Setting::SuperScroll), 0);
    EXPECT_EQ(options.Get(Setting::AntiFlicker), 0);
}

TEST(LevelAvailability, TheViewTakesTheLevelsOnlyWithTheImagesOfDirectX) {
    VEMOptions options;
    options.BeginUpdate();
    options.Set(Setting::Antialiasing, 3);
    options.Set(Setting::ScrollMode, 2);
    options.Set(Setting::SuperScroll, 1);
    options.Set(Setting::AntiFlicker, 2);
    options.EndUpdate();
    struct Row {
        const char* name;
        int32_t surfaces;
        int32_t scrollMode;
        bool quality;
        bool active;
        int32_t superScroll, antiFlicker;
    } const rows[] = {
        {"DirectXWithImages", 4, 2, true, true, 1, 2},
        {"NoImages", 0, 2, true, false, 0, 0},
        {"Hardware", 4, 1, true, false, 0, 0},
        {"SpeedPriority", 4, 2, false, false, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        options.Set(Setting::QualityPriority, 1);
        options.Set(Setting::ScrollMode, row.scrollMode);
        options.Set(Setting::QualityPriority, row.quality ? 1 : 0);
        VEMRenderParag view;
        ApplyViewSettings(options, view, row.surfaces);
        EXPECT_EQ(view.surfaceActive, row.active);
        EXPECT_EQ(view.superScrollLevel, row.superScroll);
        EXPECT_EQ(view.antiFlickerLevel, row.antiFlicker);
    }
}

}  // namespace
}  // namespace corvalin
