#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace corvalin {

std::filesystem::path ProgramFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::filesystem::path folder = executable.parent_path();
        if (::access(folder.c_str(), W_OK) == 0) return folder;
    }
    std::filesystem::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        data = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        data = std::filesystem::path(home) / ".local" / "share";
    } else {
        data = std::filesystem::temp_directory_path();
    }
    return data / "corvalindestrum";
}

}  // namespace corvalin
