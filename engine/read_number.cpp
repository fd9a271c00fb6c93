#include "engine/read_number.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <system_error>

namespace tavrel::engine {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A run of digits from `i`: returns its end, and adds its digits to `value` while they number
// fewer than 16 in all (`count` counts them all).
std::size_t ReadDigits(std::string_view s, std::size_t i, std::uint64_t& value,
                       std::size_t& count) {
    for (; i < s.size() && IsDigit(s[i]); ++i, ++count) {
        if (count < 16) {
            value = value * 10 + static_cast<std::uint64_t>(s[i] - '0');
        }
    }
    return i;
}

} // namespace

double ReadNumber(std::string_view text) {
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
    std::uint64_t digitValue = 0; // the digits without the point, while there are at most 15
    std::size_t digits = 0;
    i = ReadDigits(text, i, digitValue, digits);
    std::size_t decimals = 0;
    if (i < text.size() && text[i] == '.') {
        const std::size_t fractionStart = i + 1;
        i = ReadDigits(text, fractionStart, digitValue, digits);
        decimals = i - fractionStart;
    }
    if (digits == 0) {
        return 0.0;
    }
    bool exponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            std::uint64_t ignored = 0;
            std::size_t count = 0;
            i = ReadDigits(text, j, ignored, count);
            exponent = true;
        }
    }

    // Typed values nearly always have at most 15 digits and no exponent. Then the digits make
    // a whole number below 2^53 and the power of ten is exact too, so one division gives the
    // correctly rounded value, as from_chars would.
    if (!exponent && digits <= 15) {
        constexpr std::array<double, 16> kPowersOfTen = {
            1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double magnitude = static_cast<double>(digitValue) / kPowersOfTen[decimals];
        return negative ? -magnitude : magnitude;
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

} // namespace tavrel::engine
