#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ProfileItems.h"

namespace corvalin {

class VEMOpt;
class VEMOptions;

// The profile store is a record-store root owned by the main window:
//   child       key = profile id, value = the profile's name (8-bit text)
//   grandchild  key = a setting's tag, value encoded as in Global.cfg
// A profile holds only the settings the user ticked when storing it.

// The ten profiles of a first start: eight colour schemes (ids 1-8) and two proportional font
// sizes (ids 10 and 11).
void CreateBuiltinProfiles(VEMOpt& store);

// Assigns the profile's settings in ascending tag order as one update. The settings that need
// Priority "Quality" are taken only while it is set at that moment; unknown tags are skipped.
void ApplyProfile(VEMOptions& options, VEMOpt& profile);

// Stores the ticked items from the live settings under `id` (created when missing) and names
// the profile. The settings ruled by Priority are stored as they currently take effect.
VEMOpt* StoreProfile(VEMOpt& store, uint32_t id, std::string_view name, const VEMOptions& options,
                     const ProfileChecks& checks);

// The items of which the profile holds at least one setting.
ProfileChecks LoadProfileChecks(VEMOpt& profile);

// The first profile, in id order, whose name equals `name` exactly; null when none does.
VEMOpt* FindProfile(VEMOpt& store, std::string_view name);

// The entries of the profile combo box: the reset entry, then the profile names sorted without
// regard to case. `selected` is the last entry equal to `selectName`, or -1.
struct ProfileList {
    std::vector<std::string> entries;
    int selected = -1;
};
ProfileList RefreshProfileList(VEMOpt& store, std::string_view resetText, std::string_view selectName);

// Choosing entry `index` of the list: 0 resets every setting to its factory default, another
// entry applies the first profile (id order) of that exact name.
void ChooseProfileEntry(VEMOptions& options, VEMOpt& store, const ProfileList& list, int index);

// The buttons beside the list, after the dialog returned OK. Names are trimmed here.
VEMOpt* AddProfile(VEMOpt& store, std::string_view name, const VEMOptions& options,
                   const ProfileChecks& checks);
// The profile keeps its id and afterwards holds only the items ticked now.
VEMOpt* ModifyProfile(VEMOpt& store, VEMOpt* profile, std::string_view name, const VEMOptions& options,
                      const ProfileChecks& checks);
void DeleteProfile(VEMOpt* profile);
void DeleteAllProfiles(VEMOpt& store);

}  // namespace corvalin
