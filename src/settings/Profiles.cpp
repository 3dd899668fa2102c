#include "settings/Profiles.h"

#include <unicode/coll.h>
#include <unicode/locid.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "settings/ProfileRules.h"
#include "settings/SettingTags.h"
#include "settings/VEMOptions.h"
#include "store/VEMOpt.h"

namespace corvalin {
namespace {

struct BuiltinColours {
    uint32_t id;
    const char* name;
    int32_t back[2], text[2], heading[2], firstLetter[2];  // proportional, fixed
};

// clang-format off
constexpr std::array<BuiltinColours, 8> kColourProfiles{{
    {1, "Colors White/Black", {0xFFFFFF, 0xFFFFFF}, {0, 0}, {0xFF, 0xFF}, {0x8000, 0x8000}},
    {2, "Colors Gray/White", {0x808080, 0x808080}, {0xC0C0C0, 0xC0C0C0}, {0xFFFF, 0xFFFF}, {0xFFFFFF, 0xFFFFFF}},
    {3, "Colors Blue/Cyan", {0x800000, 0x800000}, {0xFFFF00, 0xFFFF00}, {0xFF00FF, 0xFF00FF}, {0xFF00, 0xFF00}},
    {4, "Colors Black/Green", {0, 0}, {0xC000, 0xC000}, {0xFFFF00, 0xFFFF00}, {0xFF00, 0xFF00}},
    {5, "Colors Black/Gray", {0, 0}, {0x808080, 0x808080}, {0xA5, 0xA5}, {0xA0A0A0, 0xA0A0A0}},
    {6, "Colors Corvalindestrum default", {0xA4BBB8, 0xA4BBB8}, {0x533F00, 0x4A3800}, {0xA5, 0xA5}, {0xFFFFFF, 0xFFFFFF}},
    {7, "Colors Light Yellow/Black", {0xD8E9EC, 0xD8E9EC}, {0, 0}, {0xFF, 0xFF}, {0xD00000, 0xD00000}},
    {8, "Colors White/Gray", {0xFFFFFF, 0xFFFFFF}, {0x808080, 0x808080}, {0xFF0000, 0xFF0000}, {0x4080FF, 0x4080FF}},
}};
// clang-format on

struct BuiltinFontSize {
    uint32_t id;
    const char* name;
    int32_t size;
};
constexpr std::array<BuiltinFontSize, 2> kFontSizeProfiles{{{10, "Font - 28", 28}, {11, "Font - 20", 20}}};

// Settings ruled by Priority are stored as they take effect: under "Speed" the Speed value.
void StoreSetting(VEMOpt& profile, const SettingInfo& info, const VEMOptions& options) {
    switch (info.type) {
        case SettingType::Text:
            profile.SetString(info.tag, options.FontName(KindOfFontName(info.setting)));
            break;
        case SettingType::Bool:
            profile.SetBool(info.tag, options.Effective(info.setting) != 0);
            break;
        case SettingType::Int:
        case SettingType::Byte:
        case SettingType::Colour:
            profile.SetInt(info.tag, options.Effective(info.setting));
            break;
    }
}

// The list is in the user's locale order without regard to case; punctuation is ignored as in
// a word sort ("Coat" before "Co-op"). Names are UTF-8.
class ProfileCollator {
public:
    ProfileCollator() {
        UErrorCode status = U_ZERO_ERROR;
        // The C locale maps to a POSIX tailoring that sorts all capitals first; a reader
        // without a language setting gets the common root order instead.
        icu::Locale locale = icu::Locale::getDefault();
        if (std::string_view(locale.getName()) == "en_US_POSIX") locale = icu::Locale::getRoot();
        collator_.reset(icu::Collator::createInstance(locale, status));
        if (U_FAILURE(status) || !collator_) {
            collator_.reset();
            return;
        }
        collator_->setStrength(icu::Collator::SECONDARY);
        collator_->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_SHIFTED, status);
    }

    bool Before(const std::string& a, const std::string& b) const {
        if (collator_) {
            UErrorCode status = U_ZERO_ERROR;
            const UCollationResult order = collator_->compareUTF8(a, b, status);
            if (U_SUCCESS(status)) return order == UCOL_LESS;
        }
        return a < b;
    }

private:
    std::unique_ptr<icu::Collator> collator_;
};

bool ListOrder(const std::string& a, const std::string& b) {
    static const ProfileCollator collator;
    return collator.Before(a, b);
}

}  // namespace

void CreateBuiltinProfiles(VEMOpt& store) {
    using namespace tags;
    for (const BuiltinColours& row : kColourProfiles) {
        VEMOpt* profile = store.SetString(row.id, row.name);
        const std::array<std::pair<uint32_t, const int32_t*>, 4> columns{{
            {kBackColorOffset, row.back},
            {kTextColorOffset, row.text},
            {kHeadingColorOffset, row.heading},
            {kFirstLetterColorOffset, row.firstLetter},
        }};
        for (const auto& [offset, values] : columns) {
            profile->SetInt(kProportionalBase + offset, values[0]);
            profile->SetInt(kFixedBase + offset, values[1]);
        }
    }
    for (const BuiltinFontSize& row : kFontSizeProfiles) {
        store.SetString(row.id, row.name)->SetInt(kProportionalBase + kFontSizeOffset, row.size);
    }
}

void ApplyProfile(VEMOptions& options, VEMOpt& profile) {
    options.BeginUpdate();
    // Ascending tag order matters: Priority (0x110) comes after the guarded settings
    // 0x103-0x10F, which therefore see the Priority in force before the profile.
    for (VEMOpt* record = profile.First(); record != nullptr; record = profile.Next(record)) {
        const SettingInfo* info = FindSettingByTag(record->Key());
        if (info == nullptr) continue;
        switch (info->type) {
            case SettingType::Text:
                options.SetFontName(KindOfFontName(info->setting), record->Value());
                break;
            case SettingType::Bool:
                options.Set(info->setting, profile.GetBool(info->tag, false));
                break;
            case SettingType::Int:
            case SettingType::Byte:
            case SettingType::Colour:
                options.Set(info->setting, profile.GetInt(info->tag, 0));
                break;
        }
    }
    options.EndUpdate();
}

VEMOpt* StoreProfile(VEMOpt& store, uint32_t id, std::string_view name, const VEMOptions& options,
                     const ProfileChecks& checks) {
    VEMOpt* profile = store.Child(id);
    profile->SetValue(name);
    const auto items = ProfileItems();
    for (size_t i = 0; i < items.size(); ++i) {
        if (!checks[i]) continue;
        for (size_t s = 0; s < items[i].settingCount; ++s) {
            StoreSetting(*profile, InfoOf(items[i].settings[s]), options);
        }
    }
    return profile;
}

ProfileChecks LoadProfileChecks(VEMOpt& profile) {
    ProfileChecks checks;
    const auto items = ProfileItems();
    for (size_t i = 0; i < items.size(); ++i) {
        for (size_t s = 0; s < items[i].settingCount; ++s) {
            if (profile.Find(InfoOf(items[i].settings[s]).tag) != nullptr) checks.set(i);
        }
    }
    return checks;
}

VEMOpt* FindProfile(VEMOpt& store, std::string_view name) {
    for (VEMOpt* profile = store.First(); profile != nullptr; profile = store.Next(profile)) {
        if (profile->Value() == name) return profile;
    }
    return nullptr;
}

ProfileList RefreshProfileList(VEMOpt& store, std::string_view resetText, std::string_view selectName) {
    std::vector<std::string> names;
    for (VEMOpt* profile = store.First(); profile != nullptr; profile = store.Next(profile)) {
        names.push_back(profile->Value());
    }
    // Names equal but for case keep their id order.
    std::stable_sort(names.begin(), names.end(), ListOrder);

    ProfileList list;
    list.entries.reserve(names.size() + 1);
    list.entries.emplace_back(resetText);
    for (std::string& name : names) list.entries.push_back(std::move(name));
    if (!selectName.empty()) {
        for (size_t i = list.entries.size(); i-- > 0;) {
            if (list.entries[i] == selectName) {
                list.selected = int(i);
                break;
            }
        }
    }
    return list;
}

void ChooseProfileEntry(VEMOptions& options, VEMOpt& store, const ProfileList& list, int index) {
    if (index < 0 || size_t(index) >= list.entries.size()) return;
    if (index == 0) {
        options.ResetToFactory();
        return;
    }
    if (VEMOpt* profile = FindProfile(store, list.entries[size_t(index)])) ApplyProfile(options, *profile);
}

VEMOpt* AddProfile(VEMOpt& store, std::string_view name, const VEMOptions& options,
                   const ProfileChecks& checks) {
    const uint32_t id = store.AddAuto()->Key();
    return StoreProfile(store, id, TrimProfileName(name), options, checks);
}

VEMOpt* ModifyProfile(VEMOpt& store, VEMOpt* profile, std::string_view name, const VEMOptions& options,
                      const ProfileChecks& checks) {
    if (profile == nullptr) return nullptr;
    const std::string trimmed = TrimProfileName(name);  // `name` may be the profile's own value
    const uint32_t id = profile->Key();
    delete profile;
    return StoreProfile(store, id, trimmed, options, checks);
}

void DeleteProfile(VEMOpt* profile) { delete profile; }

void DeleteAllProfiles(VEMOpt& store) { store.Clear(); }

}  // namespace corvalin
