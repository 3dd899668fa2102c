#include "app/ErrorLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace corvalin {

TimeOfDay LocalTimeOfDay(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return {};
    return {local.tm_hour, local.tm_min, local.tm_sec};
}

std::string ErrorLogLine(const TimeOfDay& time, std::string_view text) {
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d ", time.hours, time.minutes, time.seconds);
    std::string line(stamp);
    line.append(text);
    line.append("\r\n");
    return line;
}

bool AppendErrorLog(const std::filesystem::path& folder, std::string_view text,
                    const TimeOfDay& time) noexcept {
    try {
        const std::string line = ErrorLogLine(time, text);
        const std::filesystem::path path = folder / kErrorLogFileName;
        // O_APPEND: the line lands at the end even if another instance writes at the same time.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0) return false;
        const char* data = line.data();
        size_t left = line.size();
        bool ok = true;
        while (left > 0) {
            const ssize_t written = ::write(fd, data, left);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                ok = false;
                break;
            }
            data += written;
            left -= size_t(written);
        }
        if (::close(fd) != 0) ok = false;
        return ok;
    } catch (...) {
        // Only an allocation can throw here; the error being logged matters more than this line.
        return false;
    }
}

bool AppendErrorLog(const std::filesystem::path& folder, std::string_view text) noexcept {
    try {
        return AppendErrorLog(folder, text, LocalTimeOfDay(std::chrono::system_clock::now()));
    } catch (...) {
        return false;
    }
}

}  // namespace corvalin
