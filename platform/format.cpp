#include "platform/format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace tavrel::platform {

namespace {

struct NumberPattern {
    bool forceSign = false;
    int minIntegerDigits = 0;
    bool point = false;
    int decimals = 0;
};

NumberPattern ParsePattern(std::string_view text) {
    NumberPattern p;
    std::size_t i = 0;
    if (i < text.size() && text[i] == '+') {
        p.forceSign = true;
        ++i;
    }
    for (; i < text.size() && (text[i] == '#' || text[i] == '0'); ++i) {
        p.minIntegerDigits += text[i] == '0' ? 1 : 0;
    }
    if (i < text.size() && text[i] == '.') {
        p.point = true;
        for (++i; i < text.size() && text[i] == '0'; ++i) {
            ++p.decimals;
        }
    }
    if (i != text.size()) {
        throw std::invalid_argument("unsupported number pattern: " + std::string(text));
    }
    return p;
}

// True when `magnitude` lies exactly halfway between two multiples of 10^-decimals. Such a
// value is j / 2^(decimals+1) with j odd, since 2 * magnitude * 10^decimals must be odd.
bool IsExactTie(double magnitude, int decimals) {
    const double scaled = std::ldexp(magnitude, decimals + 1);
    return std::isfinite(scaled) && scaled == std::floor(scaled) && std::fmod(scaled, 2.0) == 1.0;
}

} // namespace

std::string Format(double value, std::string_view pattern) {
    const NumberPattern p = ParsePattern(pattern);
    const std::string positiveSign = p.forceSign ? "+" : "";
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return (value < 0 ? "-" : positiveSign) + "∞";
    }

    double magnitude = std::fabs(value);
    // to_chars rounds ties to even; the value just above a tie rounds away from zero.
    if (IsExactTie(magnitude, p.decimals)) {
        magnitude = std::nextafter(magnitude, HUGE_VAL);
    }
    // Room for the largest double: 309 integer digits, a point and the decimals.
    std::array<char, 512> small; // NOLINT: written by to_chars before it is read
    std::string large;
    char* first = small.data();
    char* last = first + small.size();
    const auto needed = static_cast<std::size_t>(309 + 1 + p.decimals);
    if (needed > small.size()) {
        large.resize(needed);
        first = large.data();
        last = first + large.size();
    }
    const char* end =
        std::to_chars(first, last, magnitude, std::chars_format::fixed, p.decimals).ptr;
    const std::string_view digits(first, static_cast<std::size_t>(end - first));
    const std::size_t pointAt = digits.find('.');
    std::string_view integerPart = digits.substr(0, pointAt);
    const std::string_view fractionPart =
        pointAt == std::string_view::npos ? std::string_view{} : digits.substr(pointAt + 1);

    const bool roundsToZero = digits.find_first_not_of("0.") == std::string_view::npos;
    std::string text = value < 0 && !roundsToZero ? "-" : positiveSign;
    if (integerPart == "0") {
        integerPart = {};
    }
    const auto shown = static_cast<int>(integerPart.size());
    if (shown < p.minIntegerDigits) {
        text.append(static_cast<std::size_t>(p.minIntegerDigits - shown), '0');
    }
    text += integerPart;
    if (p.point) {
        text += '.';
        text += fractionPart;
    }
    return text;
}

} // namespace tavrel::platform
