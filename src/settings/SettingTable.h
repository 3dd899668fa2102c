#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace corvalin {

enum class FontKind : uint8_t { Proportional = 0, Fixed = 1 };

// Every user setting of Global.cfg and of the profiles. The two font groups run in parallel:
// the n-th entry of the proportional block and of the fixed block are the same setting.
enum class Setting : uint8_t {
    PropFontName,
    PropFontSize,
    PropBold,
    PropItalic,
    PropUnderline,
    PropStrikeOut,
    PropBackColor,
    PropTextColor,
    PropHeadingColor,
    PropFirstLetterColor,
    PropPageMargins,
    PropLineInterval,
    PropKerning,
    FixedFontName,
    FixedFontSize,
    FixedBold,
    FixedItalic,
    FixedUnderline,
    FixedStrikeOut,
    FixedBackColor,
    FixedTextColor,
    FixedHeadingColor,
    FixedFirstLetterColor,
    FixedPageMargins,
    FixedLineInterval,
    FixedKerning,
    ParagraphInterval,  // proportional only
    AnyFontsAllowed,    // fixed-width only
    LinesPerSecond,
    CharsPerSecond,
    SuperScrollLimit,
    ConstantSpeed,
    AutoMode,
    ScrollMode,
    Antialiasing,
    SuperScroll,
    AntiFlicker,
    SmoothMovement,
    CacheSizeIndex,
    QualityPriority,
    Crop,
    TextFormatting,
    Proportional,
};

constexpr size_t kSettingCount = size_t(Setting::Proportional) + 1;
constexpr size_t kFontGroupSize = size_t(Setting::FixedFontName) - size_t(Setting::PropFontName);

// The same appearance setting of the other group: FontSetting(Fixed, PropTextColor) is
// FixedTextColor. `proportional` must be one of the thirteen shared Prop* settings.
constexpr Setting FontSetting(FontKind kind, Setting proportional) {
    return Setting(size_t(proportional) + (kind == FontKind::Fixed ? kFontGroupSize : 0));
}

// The group of one of the two font-name settings, the only texts.
constexpr FontKind KindOfFontName(Setting fontName) {
    return fontName == Setting::PropFontName ? FontKind::Proportional : FontKind::Fixed;
}

// How a value is laid into a record: Bool = SetBool, Int/Byte/Colour = SetInt, Text = SetString.
// Byte settings are held in 8 bits; a stored value keeps only its low byte.
enum class SettingType : uint8_t { Bool, Int, Byte, Colour, Text };

// Change categories; a setting marks some of them when it is assigned.
enum PendingFlags : uint8_t {
    kPendingNone = 0,
    kPendingState = 1,
    kPendingProportional = 2,
    kPendingFixed = 4,
    kPendingView = 8,
    kPendingAll = 15,
};

struct SettingInfo {
    Setting setting;
    uint32_t tag;
    const char* name;  // as shown by tools: "Proportional.FontSize", "LinesPerSecond"
    SettingType type;
    int32_t factory;           // factory default of a number
    const char* factoryText;   // factory default of a text, else null
    int32_t minimum, maximum;  // the range the options panel accepts
    uint8_t marks;             // categories marked by every assignment
    // Appearance settings that belong to a font group mark that group, plus State and View
    // when the group is the one in use; -1 for the others.
    int8_t fontGroup;
    // The assignment is taken only while Priority is "Quality" or an override is set.
    bool guarded;
    // Under Priority "Speed" code that uses the setting sees speedValue instead.
    bool speedRuled;
    int32_t speedValue;
    // Changing it restarts the speed gauge's highlight.
    bool speedDisplay;
};

std::span<const SettingInfo> AllSettings();
const SettingInfo& InfoOf(Setting setting);
// null for tags that are not settings
const SettingInfo* FindSettingByTag(uint32_t tag);
const SettingInfo* FindSettingByName(std::string_view name);

}  // namespace corvalin
