#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvalin {

// Code page numbers that are not Windows code pages: the two UTF-16 forms of the list, and
// "the system's code page" as a stored or requested value.
constexpr int32_t kCodePageUnicode = -1;           // UTF-16 little-endian
constexpr int32_t kCodePageUnicodeBigEndian = -2;  // UTF-16 big-endian
constexpr int32_t kCodePageSystem = 0;
constexpr int32_t kCodePageUtf8 = 65001;

// One code page the program can read.
struct VEMCodepageObject {
    int32_t number = 0;         // Windows code page number, or one of the two UTF-16 forms
    int32_t maxCharSize = 1;    // the most bytes one character takes
    std::string name;           // what the list shows: "1251  (ANSI - Cyrillic)"
    std::string converterName;  // the ICU converter that decodes it; empty for UTF-16
};

// The code pages offered for plain text: "      (Unicode)", "      (Unicode Big Endian)", then
// every Windows code page number from 16 to 65535 that ICU converts, in ascending order.
// Built from ICU at every start; only the number of the page chosen last is stored.
class VEMCodepage {
public:
    VEMCodepage();

    const std::vector<VEMCodepageObject>& Entries() const { return entries_; }
    // The entry with that number, or nullptr.
    const VEMCodepageObject* Find(int32_t number) const;
    // Its position in Entries(), or -1.
    int IndexOf(int32_t number) const;
    // The entry selected at first: the system's code page, or entry 0 when it is not listed.
    int InitialIndex() const;

private:
    std::vector<VEMCodepageObject> entries_;
};

// The code page of the user's locale (LC_ALL, LC_CTYPE, LANG): a UTF-8 locale is 65001, so is
// a plain ASCII ("C", "POSIX") or unknown one, since UTF-8 reads ASCII alike and most text on
// this platform is UTF-8.
int32_t SystemCodePage();

// The listed code page that a character set name stands for ("windows-1251", "KOI8-R",
// "UTF-8", "Shift_JIS", "cp866"), found through ICU's aliases; 0 when none.
int32_t CodePageOfCharsetName(std::string_view charsetName);

// The ICU converter of a listed code page (number >= 16), or nullptr. 0 means the system's.
const char* CodepageConverterName(int32_t number);

}  // namespace corvalin
