#include "settings/SettingTable.h"

#include <array>

#include "settings/SettingTags.h"

namespace corvalin {
namespace {

using enum Setting;
using enum SettingType;
using namespace tags;

constexpr uint8_t kStateView = kPendingState | kPendingView;
constexpr int32_t kMaxColour = 0xFFFFFF;
constexpr int8_t kNoGroup = -1;
constexpr int8_t kPropGroup = 0;
constexpr int8_t kFixedGroup = 1;

// One row per setting, in the order of the Setting enumeration. Marks and guards are those of
// the options panel control that edits the setting, so that profiles, the factory reset and
// the stored-settings copy notify exactly what a click on that control would.
// clang-format off
constexpr std::array<SettingInfo, kSettingCount> kTable{{
    // setting, tag, name, type, factory, factory text, min, max, marks, group, guarded, speed-ruled, speed value, gauge
    {PropFontName, kProportionalBase + kFontNameOffset, "Proportional.FontName", Text, 0, "Comic Sans MS", 0, 0, 0, kPropGroup, false, false, 0, false},
    {PropFontSize, kProportionalBase + kFontSizeOffset, "Proportional.FontSize", Int, 26, nullptr, 8, 92, 0, kPropGroup, false, false, 0, false},
    {PropBold, kProportionalBase + kBoldOffset, "Proportional.Bold", Bool, 0, nullptr, 0, 1, 0, kPropGroup, false, false, 0, false},
    {PropItalic, kProportionalBase + kItalicOffset, "Proportional.Italic", Bool, 0, nullptr, 0, 1, 0, kPropGroup, false, false, 0, false},
    {PropUnderline, kProportionalBase + kUnderlineOffset, "Proportional.Underline", Bool, 0, nullptr, 0, 1, 0, kPropGroup, false, false, 0, false},
    {PropStrikeOut, kProportionalBase + kStrikeOutOffset, "Proportional.StrikeOut", Bool, 0, nullptr, 0, 1, 0, kPropGroup, false, false, 0, false},
    {PropBackColor, kProportionalBase + kBackColorOffset, "Proportional.BackColor", Colour, 0xA4BBB8, nullptr, 0, kMaxColour, 0, kPropGroup, false, false, 0, false},
    {PropTextColor, kProportionalBase + kTextColorOffset, "Proportional.TextColor", Colour, 0x533F00, nullptr, 0, kMaxColour, 0, kPropGroup, false, false, 0, false},
    {PropHeadingColor, kProportionalBase + kHeadingColorOffset, "Proportional.HeadingColor", Colour, 0xA5, nullptr, 0, kMaxColour, 0, kPropGroup, false, false, 0, false},
    {PropFirstLetterColor, kProportionalBase + kFirstLetterColorOffset, "Proportional.FirstLetterColor", Colour, 0xFFFFFF, nullptr, 0, kMaxColour, 0, kPropGroup, false, false, 0, false},
    // Margins and line intervals re-lay out the view whichever group is in use.
    {PropPageMargins, kProportionalBase + kPageMarginsOffset, "Proportional.PageMargins", Int, 5, nullptr, 0, 100, kStateView, kNoGroup, false, false, 0, false},
    {PropLineInterval, kProportionalBase + kLineIntervalOffset, "Proportional.LineInterval", Int, 0, nullptr, -100, 100, kStateView, kNoGroup, false, false, 0, false},
    {PropKerning, kProportionalBase + kKerningOffset, "Proportional.Kerning", Int, 0, nullptr, -100, 100, 0, kPropGroup, false, false, 0, false},

    {FixedFontName, kFixedBase + kFontNameOffset, "Fixed.FontName", Text, 0, "Lucida Console", 0, 0, 0, kFixedGroup, false, false, 0, false},
    {FixedFontSize, kFixedBase + kFontSizeOffset, "Fixed.FontSize", Int, 12, nullptr, 8, 92, 0, kFixedGroup, false, false, 0, false},
    {FixedBold, kFixedBase + kBoldOffset, "Fixed.Bold", Bool, 0, nullptr, 0, 1, 0, kFixedGroup, false, false, 0, false},
    {FixedItalic, kFixedBase + kItalicOffset, "Fixed.Italic", Bool, 0, nullptr, 0, 1, 0, kFixedGroup, false, false, 0, false},
    {FixedUnderline, kFixedBase + kUnderlineOffset, "Fixed.Underline", Bool, 0, nullptr, 0, 1, 0, kFixedGroup, false, false, 0, false},
    {FixedStrikeOut, kFixedBase + kStrikeOutOffset, "Fixed.StrikeOut", Bool, 0, nullptr, 0, 1, 0, kFixedGroup, false, false, 0, false},
    {FixedBackColor, kFixedBase + kBackColorOffset, "Fixed.BackColor", Colour, 0xA4BBB8, nullptr, 0, kMaxColour, 0, kFixedGroup, false, false, 0, false},
    {FixedTextColor, kFixedBase + kTextColorOffset, "Fixed.TextColor", Colour, 0x4A3800, nullptr, 0, kMaxColour, 0, kFixedGroup, false, false, 0, false},
    {FixedHeadingColor, kFixedBase + kHeadingColorOffset, "Fixed.HeadingColor", Colour, 0xA5, nullptr, 0, kMaxColour, 0, kFixedGroup, false, false, 0, false},
    {FixedFirstLetterColor, kFixedBase + kFirstLetterColorOffset, "Fixed.FirstLetterColor", Colour, 0xFFFFFF, nullptr, 0, kMaxColour, 0, kFixedGroup, false, false, 0, false},
    {FixedPageMargins, kFixedBase + kPageMarginsOffset, "Fixed.PageMargins", Int, 15, nullptr, 0, 100, kStateView, kNoGroup, false, false, 0, false},
    {FixedLineInterval, kFixedBase + kLineIntervalOffset, "Fixed.LineInterval", Int, 4, nullptr, -100, 100, kStateView, kNoGroup, false, false, 0, false},
    {FixedKerning, kFixedBase + kKerningOffset, "Fixed.Kerning", Int, 0, nullptr, -1000, 100, 0, kFixedGroup, false, false, 0, false},

    {ParagraphInterval, kParagraphInterval, "Proportional.ParagraphInterval", Int, 8, nullptr, 0, 100, 0, kPropGroup, false, false, 0, false},
    {AnyFontsAllowed, kAnyFontsAllowed, "Fixed.AnyFontsAllowed", Bool, 0, nullptr, 0, 1, 0, kFixedGroup, false, false, 0, false},

    {LinesPerSecond, kLinesPerSecond, "LinesPerSecond", Int, 50, nullptr, 1, 500, kPendingState, kNoGroup, false, false, 0, true},
    {CharsPerSecond, kCharsPerSecond, "CharsPerSecond", Int, 30, nullptr, 1, 500, kPendingState, kNoGroup, false, false, 0, true},
    {SuperScrollLimit, kSuperScrollLimit, "SuperScrollLimit", Int, 40, nullptr, 1, 100, kPendingState, kNoGroup, false, false, 0, false},
    {ConstantSpeed, kConstantSpeed, "ConstantSpeed", Bool, 1, nullptr, 0, 1, kPendingState, kNoGroup, false, false, 0, true},
    {AutoMode, kAutoMode, "AutoMode", Byte, 0, nullptr, 0, 2, kStateView, kNoGroup, true, true, 0, false},
    {ScrollMode, kScrollMode, "ScrollMode", Byte, 1, nullptr, 0, 2, kStateView, kNoGroup, true, true, 1, false},
    {Antialiasing, kAntialiasing, "Antialiasing", Byte, 0, nullptr, 0, 3, kPendingAll, kNoGroup, true, true, 0, false},
    {SuperScroll, kSuperScroll, "SuperScroll", Byte, 0, nullptr, 0, 3, kStateView, kNoGroup, true, true, 0, false},
    // Anti Flicker follows the Speed rule when read but is always stored.
    {AntiFlicker, kAntiFlicker, "AntiFlicker", Byte, 0, nullptr, 0, 4, kStateView, kNoGroup, false, true, 0, false},
    {SmoothMovement, kSmoothMovement, "SmoothMovement", Bool, 1, nullptr, 0, 1, kPendingState, kNoGroup, true, true, 0, false},
    {CacheSizeIndex, kCacheSizeIndex, "CacheSizeIndex", Int, 0, nullptr, 0, 15, kStateView, kNoGroup, true, true, 0, false},
    {QualityPriority, kQualityPriority, "QualityPriority", Bool, 1, nullptr, 0, 1, kStateView, kNoGroup, false, false, 0, false},
    {Crop, kCrop, "Crop", Bool, 1, nullptr, 0, 1, kStateView, kNoGroup, false, false, 0, false},
    {TextFormatting, kTextFormatting, "TextFormatting", Byte, 1, nullptr, 0, 2, kStateView, kNoGroup, false, false, 0, false},
    {Proportional, kProportional, "Proportional", Bool, 1, nullptr, 0, 1, kStateView, kNoGroup, false, false, 0, false},
}};
// clang-format on

constexpr bool RowsFollowTheEnumeration() {
    for (size_t i = 0; i < kTable.size(); ++i) {
        if (size_t(kTable[i].setting) != i) return false;
    }
    return true;
}
static_assert(RowsFollowTheEnumeration(), "setting table rows out of order");

}  // namespace

std::span<const SettingInfo> AllSettings() { return kTable; }

const SettingInfo& InfoOf(Setting setting) { return kTable[size_t(setting)]; }

const SettingInfo* FindSettingByTag(uint32_t tag) {
    for (const SettingInfo& info : kTable) {
        if (info.tag == tag) return &info;
    }
    return nullptr;
}

const SettingInfo* FindSettingByName(std::string_view name) {
    for (const SettingInfo& info : kTable) {
        if (name == info.name) return &info;
    }
    return nullptr;
}

}  // namespace corvalin
