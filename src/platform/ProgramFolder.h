#pragma once

#include <filesystem>

namespace corvalin {

// Global.cfg, Error.log, Books/ and Tmp/ live beside the executable when that folder is
// writable (a build tree, a portable copy); otherwise in $XDG_DATA_HOME/corvalindestrum
// (~/.local/share/corvalindestrum by default).
std::filesystem::path ProgramFolder();

}  // namespace corvalin
