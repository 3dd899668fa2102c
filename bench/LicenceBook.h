#pragma once

#include <filesystem>
#include <string>

namespace corvalin::bench {

// The benchmarks read a real text: the GPL v3 licence that Debian ships.
constexpr const char* kLicenceText = "/usr/share/common-licenses/GPL-3";

// The licence text `copies` times over.
std::string RepeatedLicence(int copies);

// `text` (UTF-8) made into a fresh book at `book`, replacing an older one.
void BuildBookFromText(const std::string& text, const std::filesystem::path& book);

}  // namespace corvalin::bench
