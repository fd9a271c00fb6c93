#include "platform/val.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
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

// Digits and a point, nothing else, read exactly without from_chars when that is possible
// (as typed values nearly always are): at most 15 digits make a whole number below 2^53, and
// the power of ten below it is exact too, so the one division gives the correctly rounded
// value. Nothing when the text is not of that kind.
std::optional<double> ReadShortDecimal(std::string_view text) {
    constexpr std::array<double, 16> kPowersOfTen = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                     1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::uint64_t whole = 0;
    std::size_t digits = 0;
    std::size_t decimals = 0;
    bool point = false;
    for (const char c : text) {
        if (IsDigit(c) && digits < 15) {
            whole = whole * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            decimals += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    return static_cast<double>(whole) / kPowersOfTen[decimals];
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

    if (const std::optional<double> exact =
            ReadShortDecimal(text.substr(numberStart, i - numberStart))) {
        return negative ? -*exact : *exact;
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
