#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>

namespace corvalin {

constexpr const char* kErrorLogFileName = "Error.log";

// A wall-clock time of day, as the log shows it.
struct TimeOfDay {
    int hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// The local time of day of `when`.
TimeOfDay LocalTimeOfDay(std::chrono::system_clock::time_point when);

// One line of the log: "hh:nn:ss text" and a CR LF, so the file reads the same wherever it is
// opened.
std::string ErrorLogLine(const TimeOfDay& time, std::string_view text);

// Appends one line stamped `time` to Error.log in `folder`, creating the file when needed; the
// log only ever grows. It is written from inside the error handler, so a failure (no folder,
// no permission, a full disk) only makes it return false.
bool AppendErrorLog(const std::filesystem::path& folder, std::string_view text,
                    const TimeOfDay& time) noexcept;
// The same, stamped with the current local time.
bool AppendErrorLog(const std::filesystem::path& folder, std::string_view text) noexcept;

}  // namespace corvalin
