#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvalin {

constexpr char16_t kReplacementUnit = 0xFFFD;

// Decodes the UTF-8 character at `bytes` (at least one byte, `available` in all) into `code`
// and returns the bytes it took. A malformed or cut sequence, an overlong form, a surrogate or
// a value past U+10FFFF gives U+FFFD and takes one byte, so every bad byte is one replacement.
size_t DecodeUtf8(const uint8_t* bytes, size_t available, char32_t& code);
bool IsValidUtf8(std::string_view text);

std::u16string Utf8ToUtf16(std::string_view text);
// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// The bytes of a prepared text file: UTF-16LE behind a byte-order mark, which the encoding
// dialog reads as such whatever page was chosen last, so no character of any page is lost.
std::string Utf16LeWithMark(std::u16string_view text);

}  // namespace corvalin
