#include "settings/SettingValues.h"

namespace corvalin {

int32_t NormaliseSettingValue(SettingType type, int32_t value) {
    switch (type) {
        case SettingType::Bool:
            return value != 0 ? 1 : 0;
        case SettingType::Byte:
            return value & 0xFF;
        case SettingType::Int:
        case SettingType::Colour:
        case SettingType::Text:
            return value;
    }
    return value;
}

SettingValues::SettingValues() {
    for (const SettingInfo& info : AllSettings()) {
        if (info.type == SettingType::Text) continue;
        numbers_[size_t(info.setting)] = info.factory;
    }
    fontNames_[size_t(FontKind::Proportional)] = InfoOf(Setting::PropFontName).factoryText;
    fontNames_[size_t(FontKind::Fixed)] = InfoOf(Setting::FixedFontName).factoryText;
}

void SettingValues::Set(Setting setting, int32_t value) {
    const SettingInfo& info = InfoOf(setting);
    if (info.type == SettingType::Text) return;  // texts go through SetFontName
    numbers_[size_t(setting)] = NormaliseSettingValue(info.type, value);
}

}  // namespace corvalin
