#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <span>

#include "settings/SettingTable.h"

namespace corvalin {

// The groups of the profile dialog, each with its own group check box.
enum class ProfileGroup : uint8_t { Scroll = 0, Text = 1, ProportionalFont = 2, FixedFont = 3 };
constexpr size_t kProfileGroupCount = 4;

// One item check box of the profile dialog and the settings that ticking it stores.
struct ProfileItem {
    ProfileGroup group;
    const char* checkBox;  // control name, e.g. "CheckBoxA_0"
    uint8_t settingCount;
    std::array<Setting, 4> settings;
};

constexpr size_t kProfileItemCount = 34;
using ProfileChecks = std::bitset<kProfileItemCount>;

// In dialog order: the six "Scroll Properties" items, the six "Text Properties" items, then
// eleven items for each font group.
std::span<const ProfileItem> ProfileItems();
// Index of the first item of a group and the number of its items.
size_t FirstItemOf(ProfileGroup group);
size_t ItemCountOf(ProfileGroup group);

}  // namespace corvalin
