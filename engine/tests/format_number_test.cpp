#include "engine/format_number.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::engine {
namespace {

struct FormatCase {
    double value;
    const char* pattern;
    const char* text;

    friend void PrintTo(const FormatCase& c, std::ostream* os) {
        *os << c.pattern << ' ' << c.text;
    }
};

class FormatRenders : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatRenders, ByThePattern) {
    const auto& c = GetParam();
    EXPECT_EQ(FormatNumber(c.value, c.pattern), c.text) << c.value << " by " << c.pattern;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, FormatRenders,
    testing::Values(
        // The four patterns of the window.
        FormatCase{0.667, "+#.000", "+.667"}, FormatCase{0.681, "#.000", ".681"},
        FormatCase{15, "#.00", "15.00"}, FormatCase{-0.550, "+#.000", "-.550"},
        FormatCase{10, "+#.00", "+10.00"}, FormatCase{-10, "+#.00", "-10.00"},
        FormatCase{-0.5, "#.000", "-.500"}, FormatCase{1, "#.000", "1.000"},
        FormatCase{123456.789, "+#.00", "+123456.79"},
        // Zero and values that round to zero carry no minus sign.
        FormatCase{0, "+#.000", "+.000"}, FormatCase{0, "#.00", ".00"},
        FormatCase{-0.0, "#.00", ".00"}, FormatCase{-0.0004, "+#.000", "+.000"},
        FormatCase{-0.004, "#.00", ".00"}, FormatCase{-0.005, "#.00", "-.01"},
        // Ties are decided on the exact binary value, away from zero.
        FormatCase{0.125, "#.00", ".13"}, FormatCase{-0.125, "#.00", "-.13"},
        FormatCase{0.375, "#.00", ".38"}, FormatCase{2.5, "#", "3"},
        FormatCase{0.0625, "#.000", ".063"}, FormatCase{2.675, "#.00", "2.67"},
        // 1.0005 lies just below its tie in binary, 0.9995 just above.
        FormatCase{1.0005, "#.000", "1.000"}, FormatCase{0.9995, "#.000", "1.000"},
        // Leading zeros where the pattern asks for them.
        FormatCase{0.5, "0.00", "0.50"}, FormatCase{7, "000", "007"},
        FormatCase{1234.5, "#", "1235"}, FormatCase{3, "#.", "3."},
        // Never truncated.
        FormatCase{1e20, "#.00", "100000000000000000000.00"},
        // Infinities and NaN render as short words, not digits.
        FormatCase{INFINITY, "+#.000", "+∞"}, FormatCase{INFINITY, "#.000", "∞"},
        FormatCase{-INFINITY, "#.00", "-∞"},
        FormatCase{std::numeric_limits<double>::quiet_NaN(), "+#.000", "NaN"}));

// An independent reference: the exact decimal expansion that printf gives, rounded half away
// from zero digit by digit.
std::string Reference(double value, bool forceSign, int decimals) {
    std::vector<char> exact(1200);
    std::snprintf(exact.data(), exact.size(), "%.1100f", std::fabs(value));
    std::string digits(exact.data());
    const std::size_t point = digits.find('.');
    std::string kept = digits.substr(0, point) + digits.substr(point + 1, decimals);
    if (digits[point + 1 + decimals] >= '5') {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0 && kept[i] == '9'; --i) {
            kept[i] = '0';
        }
        if (i < 0) {
            kept.insert(0, "1");
        } else {
            ++kept[i];
        }
    }
    const bool zero = kept.find_first_not_of('0') == std::string::npos;
    std::string integer = kept.substr(0, kept.size() - decimals);
    integer.erase(0, std::min(integer.find_first_not_of('0'), integer.size()));
    const std::string sign = value < 0 && !zero ? "-" : forceSign ? "+" : "";
    return sign + integer + "." + kept.substr(kept.size() - decimals);
}

TEST(FormatNumber, AgreesWithTheExactExpansionAcrossMagnitudes) {
    std::mt19937_64 random(2026);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exponent(-30, 60);
    std::vector<double> values;
    for (int i = 0; i < 20000; ++i) {
        values.push_back(std::ldexp(unit(random), exponent(random)));
    }
    for (int j = 1; j < 400; j += 2) { // every tie of two and three decimals below 25
        values.push_back(j / 8.0);
        values.push_back(-j / 16.0);
    }
    for (const double edge :
         {0x1p53 - 1, 0x1p53, 0x1p53 + 2, 0x1p63, 1e15 + 0.5, 4503599627370495.5}) {
        values.push_back(edge);
    }
    for (const double v : values) {
        ASSERT_EQ(FormatNumber(v, "+#.000"), Reference(v, true, 3)) << v;
        ASSERT_EQ(FormatNumber(v, "#.00"), Reference(v, false, 2)) << v;
    }
}

TEST(FormatNumber, LargestDoubleKeepsEveryDigit) {
    const std::string text = FormatNumber(std::numeric_limits<double>::max(), "+#.000");
    EXPECT_EQ(text.size(), 1 + 309 + 4u);
    EXPECT_EQ(text.substr(0, 6), "+17976");
    EXPECT_EQ(text.substr(text.size() - 4), ".000");
}

TEST(FormatNumber, SmallestSubnormalRoundsToZero) {
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::denorm_min(), "+#.000"), "+.000");
    EXPECT_EQ(FormatNumber(-std::numeric_limits<double>::denorm_min(), "#.00"), ".00");
}

TEST(FormatNumber, RejectsPatternsItCannotHonour) {
    EXPECT_THROW(FormatNumber(1, "#,##0.00"), std::invalid_argument);
    EXPECT_THROW(FormatNumber(1, "+#.00x"), std::invalid_argument);
    EXPECT_THROW(FormatNumber(1, "+-#.00"), std::invalid_argument);
}

TEST(FormatNumber, ManyDecimalsShowTheExactBinaryValue) {
    EXPECT_EQ(FormatNumber(0.1, "#." + std::string(55, '0')),
              ".1000000000000000055511151231257827021181583404541015625");
    EXPECT_EQ(FormatNumber(1e300, "#." + std::string(500, '0')).size(), 301 + 1 + 500u);
}

} // namespace
} // namespace tavrel::engine
