#include "csv/round_trip_number.h"

#include "engine/digit_pairs.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <dragonbox/dragonbox.h>

namespace tavrel::csv {

namespace {

using engine::WriteDigitPair;

// Exactly eight digits of `value` (below 10^8), leading zeros included, ending at `end`.
void WriteEightDigits(char* end, std::uint32_t value) {
    const std::uint32_t high = value / 10000;
    const std::uint32_t low = value % 10000;
    WriteDigitPair(end - 8, high / 100);
    WriteDigitPair(end - 6, high % 100);
    WriteDigitPair(end - 4, low / 100);
    WriteDigitPair(end - 2, low % 100);
}

// The digits of `value` (nonzero), ending at `end`.
void WriteDigits(char* end, std::uint64_t value) {
    if (value >= 100000000) {
        WriteEightDigits(end, static_cast<std::uint32_t>(value % 100000000));
        end -= 8;
        value /= 100000000;
        if (value >= 100000000) {
            WriteEightDigits(end, static_cast<std::uint32_t>(value % 100000000));
            end -= 8;
            value /= 100000000;
        }
    }
    auto rest = static_cast<std::uint32_t>(value);
    while (rest >= 100) {
        end -= 2;
        WriteDigitPair(end, rest % 100);
        rest /= 100;
    }
    if (rest >= 10) {
        WriteDigitPair(end - 2, rest);
    } else if (rest > 0) {
        *(end - 1) = static_cast<char>('0' + rest);
    }
}

constexpr std::array<std::uint64_t, 20> kPowersOfTen = [] {
    std::array<std::uint64_t, 20> powers{};
    std::uint64_t power = 1;
    for (std::uint64_t& entry : powers) {
        entry = power;
        power *= 10;
    }
    return powers;
}();

// The number of decimal digits of `value` (nonzero): log10 estimated from the bit width
// (1233 / 4096 ≈ log10 2), then corrected by one comparison.
int DigitCount(std::uint64_t value) {
    const int estimate = (std::bit_width(value) * 1233) >> 12;
    return estimate + (value >= kPowersOfTen[estimate] ? 1 : 0);
}

// Moves `count` characters one place to the left, to `out`. One by one on purpose: the
// characters were just stored two at a time, and a wider load of them would stall.
void MoveLeft(char* out, int count) {
    for (int i = 0; i < count; ++i) {
        out[i] = out[i + 1];
    }
}

char* WriteText(char* out, const char* text) {
    const std::size_t size = std::strlen(text);
    std::memcpy(out, text, size);
    return out + size;
}

} // namespace

char* WriteShortest(double value, char* out) {
    if (std::isnan(value)) {
        return WriteText(out, "NaN");
    }
    if (std::signbit(value)) {
        *out++ = '-';
    }
    if (std::isinf(value)) {
        return WriteText(out, "Inf");
    }
    if (value == 0) {
        *out = '0';
        return out + 1;
    }

    // value = ±significand · 10^exponent, with the fewest significant digits that read back.
    const auto decimal = jkj::dragonbox::to_decimal(std::fabs(value));
    const std::uint64_t significand = decimal.significand;
    const int exponent = decimal.exponent;
    const int digits = DigitCount(significand);

    // The two forms' lengths; the fixed one wins a tie. The digits are written straight to
    // their place (or one to the right of it), never through a scratch copy.
    const int scientificExponent = exponent + digits - 1;
    const int scientificLength = digits + (digits > 1 ? 1 : 0) + 2 +
                                 (scientificExponent >= 100 || scientificExponent <= -100 ? 3 : 2);
    const int fixedLength = exponent >= 0           ? digits + exponent
                            : digits + exponent > 0 ? digits + 1
                                                    : 2 - exponent;
    if (fixedLength <= scientificLength) {
        if (exponent >= 0) {
            // Fixed form writes a whole number's exact value. Below 2^53 that is the digits
            // padded with zeros; above it, where the two differ, the exact value takes wider
            // arithmetic than this fast path's.
            if (std::fabs(value) >= 0x1p53) {
                return std::to_chars(out, out + kShortestNumberMax, std::fabs(value)).ptr;
            }
            WriteDigits(out + digits, significand);
            std::memset(out + digits, '0', exponent);
        } else if (digits + exponent > 0) {
            // Written one place to the right, then the whole part moved left over the point.
            const int whole = digits + exponent;
            WriteDigits(out + 1 + digits, significand);
            MoveLeft(out, whole);
            out[whole] = '.';
        } else {
            const int zeros = -exponent - digits;
            out[0] = '0';
            out[1] = '.';
            std::memset(out + 2, '0', zeros);
            WriteDigits(out + 2 + zeros + digits, significand);
        }
        return out + fixedLength;
    }

    WriteDigits(out + 1 + digits, significand);
    MoveLeft(out, 1);
    if (digits > 1) {
        out[1] = '.';
        out += digits + 1;
    } else {
        out += 1;
    }
    *out++ = 'e';
    *out++ = scientificExponent < 0 ? '-' : '+';
    unsigned magnitude =
        static_cast<unsigned>(scientificExponent < 0 ? -scientificExponent : scientificExponent);
    if (magnitude >= 100) {
        *out++ = static_cast<char>('0' + magnitude / 100);
        magnitude %= 100;
    }
    WriteDigitPair(out, magnitude);
    return out + 2;
}

} // namespace tavrel::csv
