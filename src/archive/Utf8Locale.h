#pragma once

#include <locale.h>

namespace corvalin {

// libarchive converts names between their stored character sets and the C library's current
// locale: in the plain "C" locale that a tool or a test runs in, every name outside ASCII comes
// back empty. Its calls are therefore made with the calling thread switched to the C.UTF-8
// locale (names on this platform are UTF-8) and switched back afterwards; the process's own
// locale is never touched. Where C.UTF-8 does not exist nothing is switched. (The UnRAR library
// hands out wide names and keeps undecodable path bytes on its own, so it needs no switch.)
class Utf8LocaleScope {
public:
    Utf8LocaleScope();
    ~Utf8LocaleScope();
    Utf8LocaleScope(const Utf8LocaleScope&) = delete;
    Utf8LocaleScope& operator=(const Utf8LocaleScope&) = delete;

private:
    locale_t previous_ = nullptr;
};

}  // namespace corvalin
