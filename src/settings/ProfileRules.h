#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ProfileItems.h"

namespace corvalin {

enum class CheckState : uint8_t { Unchecked, Checked, Grayed };
enum class ProfileDialogMode : uint8_t { Create = 0, Delete = 1, Modify = 2 };

// Drops leading and trailing characters with codes up to the space.
std::string TrimProfileName(std::string_view name);

// What the profile dialog allows, without the window: the name check, the item, group and
// "All" check boxes with their tri-state logic, and when OK may be pressed. The window mirrors
// this state into its controls and forwards each click here.
class ProfileDialogRules {
public:
    // Opens the dialog (its show event). `otherNames` are the names of every profile except
    // the one being modified. In create mode every box starts unticked and the name empty;
    // modify and delete start from the profile's items and name (LoadProfileChecks).
    void Begin(ProfileDialogMode mode, std::vector<std::string> otherNames, const ProfileChecks& checks = {},
               std::string_view name = {});

    void SetName(std::string_view text);  // the name edit box changed
    void ClickItem(size_t item);
    void ClickGroup(ProfileGroup group);
    void ClickAll();

    ProfileDialogMode Mode() const { return mode_; }
    CheckState Item(size_t item) const { return checks_[item] ? CheckState::Checked : CheckState::Unchecked; }
    CheckState Group(ProfileGroup group) const { return groups_[size_t(group)]; }
    CheckState All() const { return all_; }
    const ProfileChecks& Checks() const { return checks_; }
    const std::string& Name() const { return name_; }
    bool NameValid() const { return nameValid_; }
    bool SomethingSelected() const { return all_ != CheckState::Unchecked; }
    // Delete mode confirms whatever is shown; otherwise a valid name and at least one item.
    bool OkEnabled() const;
    // The check boxes and the name can be edited except in delete mode.
    bool Editable() const { return mode_ != ProfileDialogMode::Delete; }

private:
    void ValidateName();
    void UpdateGroup(ProfileGroup group);
    void UpdateAll();

    ProfileDialogMode mode_ = ProfileDialogMode::Create;
    std::vector<std::string> otherNames_;
    std::string name_;
    bool nameValid_ = false;
    ProfileChecks checks_;
    std::array<CheckState, kProfileGroupCount> groups_{};
    CheckState all_ = CheckState::Unchecked;
};

}  // namespace corvalin
