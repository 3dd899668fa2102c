#include "nav/PercentPosition.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace corvalin {
namespace {

// No percentage a reader types is longer; a pasted novel is simply not a number.
constexpr size_t kMaxPercentUnits = 64;

bool IsBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }
bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

}  // namespace

long double ParsePercent(std::u16string_view text, std::u16string_view decimalSeparator) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (text.empty() || text.size() > kMaxPercentUnits) return kNotAPercent;

    // The number is checked against the field's own grammar and rewritten in the form
    // from_chars reads, which never depends on the process locale.
    std::string plain;
    size_t at = 0;
    if (text[at] == u'+' || text[at] == u'-') {
        if (text[at] == u'-') plain += '-';
        ++at;
    }
    int digits = 0;
    bool separatorSeen = false;
    while (at < text.size()) {
        if (IsDigit(text[at])) {
            plain += char(text[at]);
            ++digits;
            ++at;
        } else if (!separatorSeen && !decimalSeparator.empty() &&
                   text.substr(at).starts_with(decimalSeparator)) {
            plain += '.';
            separatorSeen = true;
            at += decimalSeparator.size();
        } else {
            break;
        }
    }
    if (digits == 0) return kNotAPercent;
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        plain += 'e';
        ++at;
        if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) plain += char(text[at++]);
        int exponentDigits = 0;
        while (at < text.size() && IsDigit(text[at])) {
            plain += char(text[at++]);
            ++exponentDigits;
        }
        if (exponentDigits == 0) return kNotAPercent;
    }
    if (at != text.size()) return kNotAPercent;

    long double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return kNotAPercent;
    return value;
}

bool PercentAccepted(long double percent) { return percent >= 0 && percent <= 100; }

std::optional<int64_t> PositionOfPercent(long double percent, int64_t textStart, int64_t textEnd) {
    if (textStart >= textEnd) return std::nullopt;
    const long double part = std::clamp(percent, 0.0L, 100.0L);
    // 100% lands on the text's last offset: 100 * last is exact and so is its division by 100.
    const int64_t last = textEnd - textStart - 1;
    const int64_t step = int64_t(std::floor(part * (long double)last / 100.0L));
    return textStart + std::clamp<int64_t>(step, 0, last);
}

std::u16string PercentFieldText(long double percent, std::u16string_view decimalSeparator) {
    const long double tenths = std::floor(std::fabs(percent) * 10 + 0.5L);
    const int64_t whole = int64_t(tenths / 10);
    const int64_t decimal = int64_t(tenths) % 10;
    std::u16string text;
    if (percent < 0 && tenths > 0) text += u'-';
    for (const char digit : std::to_string(whole)) text += char16_t(digit);
    text += decimalSeparator;
    text += char16_t(u'0' + decimal);
    return text;
}

std::u16string PositionPercentLabel(int64_t position, int64_t textStart, int64_t textEnd,
                                    std::u16string_view decimalSeparator) {
    int64_t permille = 0;
    if (textEnd > textStart)
        permille = int64_t(std::floor(
            1000.0L * (long double)(position - textStart) / (long double)(textEnd - textStart) + 0.5L));
    const int64_t magnitude = permille < 0 ? -permille : permille;
    std::u16string label;
    if (permille < 0) label += u'-';
    for (const char digit : std::to_string(magnitude / 10)) label += char16_t(digit);
    if (magnitude % 10 != 0) {
        label += decimalSeparator;
        label += char16_t(u'0' + magnitude % 10);
    }
    label += u'%';
    return label;
}

}  // namespace corvalin
