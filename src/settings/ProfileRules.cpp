#include "settings/ProfileRules.h"

#include <algorithm>

namespace corvalin {
namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// A check box click: an unticked or grayed box becomes ticked, a ticked one unticked.
CheckState Toggled(CheckState state) {
    return state == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked;
}

}  // namespace

std::string TrimProfileName(std::string_view name) {
    size_t begin = 0;
    size_t end = name.size();
    while (begin < end && IsBlank(name[begin])) ++begin;
    while (end > begin && IsBlank(name[end - 1])) --end;
    return std::string(name.substr(begin, end - begin));
}

void ProfileDialogRules::Begin(ProfileDialogMode mode, std::vector<std::string> otherNames,
                               const ProfileChecks& checks, std::string_view name) {
    mode_ = mode;
    otherNames_ = std::move(otherNames);
    if (mode == ProfileDialogMode::Create) {
        checks_.reset();
        name_.clear();
    } else {
        checks_ = checks;
        name_ = name;
    }
    for (size_t group = 0; group < kProfileGroupCount; ++group) UpdateGroup(ProfileGroup(group));
    UpdateAll();
    nameValid_ = false;
    ValidateName();
}

void ProfileDialogRules::SetName(std::string_view text) {
    if (!Editable()) return;
    name_ = text;
    ValidateName();
}

void ProfileDialogRules::ValidateName() {
    if (mode_ == ProfileDialogMode::Delete) return;
    const std::string trimmed = TrimProfileName(name_);
    // Exact comparison: names that differ only in case are different profiles.
    nameValid_ =
        !trimmed.empty() && std::find(otherNames_.begin(), otherNames_.end(), trimmed) == otherNames_.end();
}

bool ProfileDialogRules::OkEnabled() const {
    return mode_ == ProfileDialogMode::Delete || (nameValid_ && SomethingSelected());
}

void ProfileDialogRules::ClickItem(size_t item) {
    if (!Editable() || item >= checks_.size()) return;
    checks_.flip(item);
    UpdateGroup(ProfileItems()[item].group);
    UpdateAll();
}

void ProfileDialogRules::ClickGroup(ProfileGroup group) {
    if (!Editable()) return;
    const CheckState state = Toggled(groups_[size_t(group)]);
    groups_[size_t(group)] = state;
    const size_t first = FirstItemOf(group);
    for (size_t i = first; i < first + ItemCountOf(group); ++i) checks_[i] = state == CheckState::Checked;
    UpdateAll();
}

void ProfileDialogRules::ClickAll() {
    if (!Editable()) return;
    all_ = Toggled(all_);
    for (size_t group = 0; group < kProfileGroupCount; ++group) {
        groups_[group] = all_;
        const size_t first = FirstItemOf(ProfileGroup(group));
        for (size_t i = first; i < first + ItemCountOf(ProfileGroup(group)); ++i) {
            checks_[i] = all_ == CheckState::Checked;
        }
    }
}

void ProfileDialogRules::UpdateGroup(ProfileGroup group) {
    const size_t first = FirstItemOf(group);
    const size_t count = ItemCountOf(group);
    size_t ticked = 0;
    for (size_t i = first; i < first + count; ++i) ticked += checks_[i] ? 1 : 0;
    groups_[size_t(group)] = ticked == count ? CheckState::Checked
                             : ticked == 0   ? CheckState::Unchecked
                                             : CheckState::Grayed;
}

void ProfileDialogRules::UpdateAll() {
    const bool anyGrayed = std::find(groups_.begin(), groups_.end(), CheckState::Grayed) != groups_.end();
    const bool allSame =
        std::all_of(groups_.begin(), groups_.end(), [&](CheckState s) { return s == groups_[0]; });
    all_ = anyGrayed || !allSame ? CheckState::Grayed : groups_[0];
}

}  // namespace corvalin
