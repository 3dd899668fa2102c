#include "settings/ProfileItems.h"

namespace corvalin {
namespace {

using enum Setting;
using enum ProfileGroup;

// clang-format off
constexpr std::array<ProfileItem, kProfileItemCount> kItems{{
    {Scroll, "CheckBoxA_0", 4, {ConstantSpeed, LinesPerSecond, CharsPerSecond, SuperScrollLimit}},
    {Scroll, "CheckBoxA_1", 1, {AutoMode}},
    {Scroll, "CheckBoxA_2", 1, {ScrollMode}},
    {Scroll, "CheckBoxA_3", 1, {Antialiasing}},
    {Scroll, "CheckBoxA_4", 1, {SuperScroll}},
    {Scroll, "CheckBoxA_5", 1, {AntiFlicker}},
    {Text, "CheckBoxB_0", 1, {TextFormatting}},
    {Text, "CheckBoxB_1", 1, {Proportional}},
    {Text, "CheckBoxB_2", 1, {SmoothMovement}},
    {Text, "CheckBoxB_3", 1, {Crop}},
    {Text, "CheckBoxB_4", 1, {QualityPriority}},
    {Text, "CheckBoxB_5", 1, {CacheSizeIndex}},
    {ProportionalFont, "CheckBoxC_0", 1, {PropFontName}},
    {ProportionalFont, "CheckBoxC_1", 1, {PropFontSize}},
    {ProportionalFont, "CheckBoxC_2", 4, {PropBold, PropItalic, PropUnderline, PropStrikeOut}},
    {ProportionalFont, "CheckBoxC_3", 1, {PropBackColor}},
    {ProportionalFont, "CheckBoxC_4", 1, {PropTextColor}},
    {ProportionalFont, "CheckBoxC_5", 1, {PropHeadingColor}},
    {ProportionalFont, "CheckBoxC_6", 1, {PropFirstLetterColor}},
    {ProportionalFont, "CheckBoxC_7", 1, {PropKerning}},
    {ProportionalFont, "CheckBoxC_8", 1, {PropLineInterval}},
    {ProportionalFont, "CheckBoxC_9", 1, {PropPageMargins}},
    {ProportionalFont, "CheckBoxC_10", 1, {ParagraphInterval}},
    {FixedFont, "CheckBoxD_0", 1, {FixedFontName}},
    {FixedFont, "CheckBoxD_1", 1, {FixedFontSize}},
    {FixedFont, "CheckBoxD_2", 4, {FixedBold, FixedItalic, FixedUnderline, FixedStrikeOut}},
    {FixedFont, "CheckBoxD_3", 1, {FixedBackColor}},
    {FixedFont, "CheckBoxD_4", 1, {FixedTextColor}},
    {FixedFont, "CheckBoxD_5", 1, {FixedHeadingColor}},
    {FixedFont, "CheckBoxD_6", 1, {FixedFirstLetterColor}},
    {FixedFont, "CheckBoxD_7", 1, {FixedKerning}},
    {FixedFont, "CheckBoxD_8", 1, {FixedLineInterval}},
    {FixedFont, "CheckBoxD_9", 1, {FixedPageMargins}},
    {FixedFont, "CheckBoxD_10", 1, {AnyFontsAllowed}},
}};
// clang-format on

constexpr std::array<size_t, kProfileGroupCount + 1> kGroupStarts{0, 6, 12, 23, 34};

constexpr bool GroupsAreContiguous() {
    for (size_t group = 0; group < kProfileGroupCount; ++group) {
        for (size_t i = kGroupStarts[group]; i < kGroupStarts[group + 1]; ++i) {
            if (size_t(kItems[i].group) != group) return false;
        }
    }
    return kGroupStarts.back() == kItems.size();
}
static_assert(GroupsAreContiguous(), "profile items out of group order");

}  // namespace

std::span<const ProfileItem> ProfileItems() { return kItems; }

size_t FirstItemOf(ProfileGroup group) { return kGroupStarts[size_t(group)]; }

size_t ItemCountOf(ProfileGroup group) {
    return kGroupStarts[size_t(group) + 1] - kGroupStarts[size_t(group)];
}

}  // namespace corvalin
