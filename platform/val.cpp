#include "platform/val.h"

#include <charconv>
#include <cmath>
#include <cstddef>
#include <system_error>

namespace tavrel::platform {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
    }
    return i;
}

} // namespace

double Val(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t numberStart = i;
    i = SkipDigits(text, i);
    std::size_t digits = i - numberStart;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = i + 1;
        i = SkipDigits(text, fractionStart);
        digits += i - fractionStart;
    }
    if (digits == 0) {
        return 0.0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            i = SkipDigits(text, j);
        }
    }

    // from_chars takes no leading '+', so the sign is applied afterwards.
    double magnitude = 0.0;
    const auto [end, error] =
        std::from_chars(text.data() + numberStart, text.data() + i, magnitude);
    if (error != std::errc{} || end != text.data() + i || !std::isfinite(magnitude)) {
        return 0.0;
    }
    return negative ? -magnitude : magnitude;
}

} // namespace tavrel::platform
