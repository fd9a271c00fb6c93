#include "engine/format_number.h"

#include "engine/digit_pairs.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace tavrel::engine {

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

constexpr std::array<std::uint64_t, 4> kPowersOfTen = {1, 10, 100, 1000};

// |value| * 10^decimals rounded to an integer, ties away from zero: fast and exact for the
// usual case, |value| below 2^53 and at most three decimals. The double is m * 2^-s with m
// below 2^53, so m * 10^decimals fits 64 bits and the rounding is decided on the integer
// remainder. Nothing when out of that range.
std::optional<std::uint64_t> RoundScaled(double magnitude, int decimals) {
    if (decimals >= static_cast<int>(kPowersOfTen.size()) || !(magnitude < 0x1p53)) {
        return std::nullopt;
    }
    // Read straight from the bits: magnitude == mantissa * 2^-shift.
    const auto bits = std::bit_cast<std::uint64_t>(magnitude);
    const auto biasedExponent = static_cast<int>(bits >> 52);
    const int shift = 1075 - biasedExponent; // >= 0, as magnitude < 2^53
    if (biasedExponent == 0 || shift >= 64) {
        return 0; // below 2^-11: under half a unit of the third decimal
    }
    const std::uint64_t mantissa =
        (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const std::uint64_t scaled = mantissa * kPowersOfTen[static_cast<std::size_t>(decimals)];
    if (shift == 0) {
        return scaled; // a whole number: nothing to round
    }
    const std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
    return (scaled >> shift) + (remainder >= (std::uint64_t{1} << (shift - 1)) ? 1 : 0);
}

// True when `magnitude` lies exactly halfway between two multiples of 10^-decimals. Such a
// value is j / 2^(decimals+1) with j odd, since 2 * magnitude * 10^decimals must be odd.
bool IsExactTie(double magnitude, int decimals) {
    const double scaled = std::ldexp(magnitude, decimals + 1);
    return std::isfinite(scaled) && scaled == std::floor(scaled) && std::fmod(scaled, 2.0) == 1.0;
}

// Any magnitude and any number of decimals, through the exact decimal expansion: the digits
// with no point, the last `decimals` of them being the fraction.
std::string RoundAny(double magnitude, int decimals) {
    // to_chars rounds ties to even; the value just above a tie rounds away from zero.
    if (IsExactTie(magnitude, decimals)) {
        magnitude = std::nextafter(magnitude, HUGE_VAL);
    }
    // Room for the largest double: 309 integer digits, a point and the decimals.
    std::string text(static_cast<std::size_t>(309 + 1 + decimals), '\0');
    const char* end = std::to_chars(text.data(), text.data() + text.size(), magnitude,
                                    std::chars_format::fixed, decimals)
                          .ptr;
    text.resize(static_cast<std::size_t>(end - text.data()));
    if (const std::size_t point = text.find('.'); point != std::string::npos) {
        text.erase(point, 1);
    }
    return text;
}

// Writes the last `count` digits of `value` so that they end at `end`, and returns where
// they start.
char* WriteDigitsBefore(char* end, std::uint64_t value, int count) {
    for (; count >= 2; count -= 2, value /= 100) {
        end -= 2;
        WriteDigitPair(end, static_cast<unsigned>(value % 100));
    }
    if (count == 1) {
        *--end = static_cast<char>('0' + value % 10);
    }
    return end;
}

// Lays out rounded digits by the pattern: the last `decimals` of `digits` are the fraction,
// and there is at least one integer digit.
std::string Compose(const NumberPattern& p, bool negative, std::string_view digits) {
    const auto decimals = static_cast<std::size_t>(p.decimals);
    std::string_view integer = digits.substr(0, digits.size() - decimals);
    const std::string_view fraction = digits.substr(digits.size() - decimals);
    const bool roundsToZero = digits.find_first_not_of('0') == std::string_view::npos;
    std::string text(negative && !roundsToZero ? "-" : p.forceSign ? "+" : "");
    if (integer == "0") {
        integer = {};
    }
    const auto shown = static_cast<int>(integer.size());
    if (shown < p.minIntegerDigits) {
        text.append(static_cast<std::size_t>(p.minIntegerDigits - shown), '0');
    }
    text += integer;
    if (p.point) {
        text += '.';
        text += fraction;
    }
    return text;
}

} // namespace

std::string FormatNumber(double value, std::string_view pattern) {
    const NumberPattern p = ParsePattern(pattern);
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return std::string(value < 0 ? "-" : p.forceSign ? "+" : "") + "∞";
    }
    const double magnitude = std::fabs(value);
    const std::optional<std::uint64_t> rounded = RoundScaled(magnitude, p.decimals);
    if (!rounded) {
        return Compose(p, value < 0, RoundAny(magnitude, p.decimals));
    }

    // The usual case, written from its last character back straight into the result, which
    // is short enough to need no allocation. The split at the point divides by a constant in
    // each case: a division by a variable is several times slower.
    const auto split = [&](std::uint64_t scale) {
        return std::pair(*rounded / scale, *rounded % scale);
    };
    auto [whole, fraction] = p.decimals == 0   ? split(1)
                             : p.decimals == 1 ? split(10)
                             : p.decimals == 2 ? split(100)
                                               : split(1000);
    int wholeDigits = 0; // none for a zero, which "#" leaves out
    for (std::uint64_t bound = 1; wholeDigits < 19 && whole >= bound; bound *= 10) {
        ++wholeDigits;
    }
    const bool negative = value < 0 && *rounded != 0; // no minus sign on a zero
    const bool signShown = negative || p.forceSign;
    const int length = (signShown ? 1 : 0) + std::max(p.minIntegerDigits, wholeDigits) +
                       (p.point ? 1 + p.decimals : 0);
    std::string text(static_cast<std::size_t>(length), '0'); // the padding stays '0'
    char* out = text.data() + length;
    if (p.point) {
        out = WriteDigitsBefore(out, fraction, p.decimals);
        *--out = '.';
    }
    WriteDigitsBefore(out, whole, wholeDigits);
    if (signShown) {
        text[0] = negative ? '-' : '+';
    }
    return text;
}

} // namespace tavrel::engine
