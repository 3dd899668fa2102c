#include "archive/Utf8Locale.h"

namespace corvalin {
namespace {

locale_t Utf8Locale() {
    // Made once and kept for the life of the process, as every thread may use it.
    static const locale_t locale = newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(nullptr));
    return locale;
}

}  // namespace

Utf8LocaleScope::Utf8LocaleScope() {
    if (const locale_t utf8 = Utf8Locale(); utf8 != locale_t(nullptr)) previous_ = uselocale(utf8);
}

Utf8LocaleScope::~Utf8LocaleScope() {
    if (previous_ != locale_t(nullptr)) uselocale(previous_);
}

}  // namespace corvalin
