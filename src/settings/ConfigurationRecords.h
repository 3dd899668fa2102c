#pragma once

#include "settings/Configuration.h"

namespace corvalin {

class VEMOpt;
class VEMOptions;

// Global.cfg as records, without the file: which tag carries which value.

// Takes the values of a decoded root into `config`; returns whether the root held profiles.
bool ReadConfigurationRecords(VEMOpt& root, Configuration& config, const LoadContext& context);

// Fills an empty root with every setting from the live values, the session values, the
// profiles (always, even none) and the known names (when there are any).
void WriteConfigurationRecords(VEMOpt& root, const VEMOptions& options, Configuration& config,
                               const SessionState& session);

// Copies profiles, each with its setting records, from one profile store into another.
void CopyProfiles(VEMOpt& from, VEMOpt& to);

}  // namespace corvalin
