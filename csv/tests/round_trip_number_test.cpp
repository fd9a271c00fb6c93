#include "csv/round_trip_number.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>
#include <string_view>

namespace tavrel::csv {
namespace {

std::string Shortest(double value) {
    std::array<char, kShortestNumberMax> text; // NOLINT: written before it is read
    return {text.data(), WriteShortest(value, text.data())};
}

std::string Reference(double value) {
    std::array<char, 64> text; // NOLINT: written before it is read
    return {text.data(), std::to_chars(text.data(), text.data() + text.size(), value).ptr};
}

// The fast writer must give to_chars's text exactly: the same digits, the same choice between
// fixed and scientific form.
TEST(ShortestNumber, SameTextAsToChars) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::max(),
                                  -std::numeric_limits<double>::max(),
                                  0x1p53,
                                  0x1p53 - 1,
                                  0x1p53 + 2,
                                  1e22,
                                  1e23,
                                  123456789012345680000.0,
                                  5.530000000000001,
                                  0.0001,
                                  0.001,
                                  1e-5,
                                  100,
                                  1e15,
                                  1e16,
                                  1e17};
    // Every power of ten and its neighbours, where the form switches.
    for (int exponent = -325; exponent <= 309; ++exponent) {
        const double power = std::pow(10.0, exponent);
        values.insert(values.end(), {power, std::nextafter(power, 0.0),
                                     std::nextafter(power, HUGE_VAL), 3 * power, -7 * power});
    }
    std::mt19937_64 random(20261206);
    for (int i = 0; i < 300000; ++i) {
        values.push_back(std::bit_cast<double>(random())); // any bit pattern at all
    }
    std::uniform_real_distribution<double> typical(-50, 50);
    for (int i = 0; i < 300000; ++i) {
        values.push_back(typical(random));
        values.push_back(std::round(typical(random) * 100) / 100);
    }
    // Every place the point can fall among seventeen digits, and whole numbers of every length.
    for (int i = 0; i < 20000; ++i) {
        for (int exponent = -6; exponent <= 17; ++exponent) {
            values.push_back(typical(random) * std::pow(10.0, exponent));
            values.push_back(std::round(typical(random) * std::pow(10.0, exponent)));
        }
    }

    int mismatches = 0;
    for (const double value : values) {
        if (std::isfinite(value) && Shortest(value) != Reference(value) && ++mismatches <= 10) {
            ADD_FAILURE() << Reference(value) << " written as " << Shortest(value);
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// One spelling each, whatever the sign bit of a NaN: R's read.csv takes a column holding
// "-nan" for text, and so loses the whole column.
TEST(ShortestNumber, NonFiniteValuesAreSpeltAsDataToolsReadThem) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Shortest(kInf), "Inf");
    EXPECT_EQ(Shortest(-kInf), "-Inf");
    EXPECT_EQ(Shortest(kNaN), "NaN");
    EXPECT_EQ(Shortest(-kNaN), "NaN");
    EXPECT_EQ(Shortest(kInf - kInf), "NaN"); // the NaN arithmetic makes carries its sign bit
}

TEST(ShortestNumber, LongestTextFitsItsRoom) {
    EXPECT_EQ(Shortest(-2.2250738585072014e-308).size(), std::size_t{kShortestNumberMax});
}

} // namespace
} // namespace tavrel::csv
