#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace corvalin {
namespace {

std::filesystem::path ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : executable.parent_path();
}

}  // namespace

std::filesystem::path DataFolder() {
    const std::filesystem::path folder = ExecutableFolder();
    if (folder.empty()) return {};
    const std::filesystem::path data = folder.parent_path() / "share" / "corvalindestrum";
    std::error_code error;
    return std::filesystem::is_directory(data, error) ? data : std::filesystem::path();
}

std::filesystem::path ProgramFolder() {
    const std::filesystem::path folder = ExecutableFolder();
    if (!folder.empty() && DataFolder().empty() && ::access(folder.c_str(), W_OK) == 0) return folder;
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
