#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvalin {

// The file name under which a member may be written into the extraction folder: the part of
// the stored name after its last '/' or '\', without a drive letter. Nothing when no safe name
// is left: empty, "." or "..", a name of a Windows device (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, with or without an extension), or one holding a control character.
std::optional<std::string> SafeMemberFileName(std::string_view storedName);

// A stored name in UTF-8: kept when it already is valid UTF-8, else read as the DOS code
// page 437 that archivers of that time wrote.
std::string MemberNameToUtf8(std::string_view storedName);

}  // namespace corvalin
