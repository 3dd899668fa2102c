#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/SettingTable.h"

namespace corvalin {

// One value for every setting, with the factory defaults until assigned. Numbers are kept as
// 32-bit integers, normalised by type on assignment: bools to 0/1, byte settings to their low
// byte. The two font names are the only texts.
class SettingValues {
public:
    SettingValues();  // factory defaults

    int32_t Get(Setting setting) const { return numbers_[size_t(setting)]; }
    bool IsSet(Setting setting) const { return Get(setting) != 0; }
    void Set(Setting setting, int32_t value);

    const std::string& FontName(FontKind kind) const { return fontNames_[size_t(kind)]; }
    void SetFontName(FontKind kind, std::string_view name) { fontNames_[size_t(kind)] = name; }

    bool operator==(const SettingValues&) const = default;

private:
    std::array<int32_t, kSettingCount> numbers_{};  // the font-name rows stay 0
    std::array<std::string, 2> fontNames_;
};

// What a value of `type` becomes when assigned.
int32_t NormaliseSettingValue(SettingType type, int32_t value);

}  // namespace corvalin
