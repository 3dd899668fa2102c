#pragma once

#include <filesystem>

namespace corvalin {

// The files that ship with an installed program (the sample guide book's text): the folder
// share/corvalindestrum beside the executable's bin/, found relative to the executable so a
// relocated install works. Empty when the program runs from a build tree.
std::filesystem::path DataFolder();

// Global.cfg, Error.log, Books/ and Tmp/ live beside the executable when that folder is
// writable and the program is not installed (a build tree, a portable copy); otherwise in
// $XDG_DATA_HOME/corvalindestrum (~/.local/share/corvalindestrum by default). An installed
// program never writes beside itself, even when it runs as root.
std::filesystem::path ProgramFolder();

}  // namespace corvalin
