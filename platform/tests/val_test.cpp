#include "platform/real_to_int.h"
#include "platform/val.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace tavrel::platform {
namespace {

struct ValCase {
    const char* text;
    double value;

    friend void PrintTo(const ValCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ValReads : public testing::TestWithParam<ValCase> {};

TEST_P(ValReads, TheLeadingNumber) {
    const double v = Val(GetParam().text);
    EXPECT_EQ(v, GetParam().value) << '"' << GetParam().text << '"';
    EXPECT_TRUE(std::isfinite(v));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ValReads,
    testing::Values(ValCase{"", 0}, ValCase{".", 0}, ValCase{"-", 0}, ValCase{"+", 0},
                    ValCase{"--5", 0}, ValCase{"-.5", -0.5}, ValCase{"+.5", 0.5}, ValCase{"5.", 5},
                    ValCase{"1/2", 1}, ValCase{"5-", 5}, ValCase{"1.2.3", 1.2}, ValCase{"007", 7},
                    ValCase{" 12", 12}, ValCase{"\t 12 ", 12}, ValCase{"abc", 0}, ValCase{"x12", 0},
                    ValCase{"12abc", 12}, ValCase{"1e3", 1000}, ValCase{"1E-2", 0.01},
                    ValCase{"2e+2", 200}, ValCase{"1e", 1}, ValCase{"1e+", 1}, ValCase{"1e-x", 1},
                    ValCase{".e5", 0}, ValCase{"1.5e2.5", 150}, ValCase{"0.1", 0.1},
                    ValCase{"999999", 999999}, ValCase{"1e999", 0}, ValCase{"-1e999", 0},
                    ValCase{"1e-999", 0}, ValCase{"\n5", 0},
                    ValCase{"\xE2\x88\x86"
                            "5",
                            0},
                    ValCase{"1.7976931348623157e308", 1.7976931348623157e308}));

TEST(Val, MinusZeroIsNotPositive) {
    const double v = Val("-0");
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(v > 0.0);
}

TEST(Val, LongDigitRunsReadExactlyAndOverlongOnesReadAsZero) {
    EXPECT_EQ(Val(std::string(5000, '0') + "42"), 42.0);
    EXPECT_EQ(Val("0." + std::string(5000, '0') + "1"), 0.0);
    EXPECT_EQ(Val(std::string(400, '9')), 0.0);
    EXPECT_EQ(Val(std::string(300, '9')), 1e300);
}

// Short decimals are read by a quicker route than long ones; both must give the correctly
// rounded value, the one from_chars gives.
TEST(Val, EveryPlainDecimalIsCorrectlyRounded) {
    std::mt19937_64 random(42);
    for (int i = 0; i < 200000; ++i) {
        const int length = 1 + static_cast<int>(random() % 19);
        std::string text;
        for (int j = 0; j < length; ++j) {
            text += static_cast<char>('0' + random() % 10);
        }
        if (random() % 4 != 0) {
            text.insert(random() % (text.size() + 1), ".");
        }
        double expected = 0.0;
        std::from_chars(text.data(), text.data() + text.size(), expected);
        ASSERT_EQ(Val(text), expected) << text;
        ASSERT_EQ(Val("-" + text), -expected) << text;
    }
}

TEST(RealToInt32, TruncatesTowardZero) {
    EXPECT_EQ(RealToInt32(3.9), 3);
    EXPECT_EQ(RealToInt32(-2.5), -2);
    EXPECT_EQ(RealToInt32(-0.9), 0);
    EXPECT_EQ(RealToInt32(2147483646.9), 2147483646);
}

TEST(RealToInt32, SaturatesOutsideTheRangeAndMapsNanToZero) {
    using Limits = std::numeric_limits<std::int32_t>;
    EXPECT_EQ(RealToInt32(2147483647.0), Limits::max());
    EXPECT_EQ(RealToInt32(1e12), Limits::max());
    EXPECT_EQ(RealToInt32(-2147483648.0), Limits::min());
    EXPECT_EQ(RealToInt32(-2147483648.9), Limits::min());
    EXPECT_EQ(RealToInt32(-1e300), Limits::min());
    EXPECT_EQ(RealToInt32(INFINITY), Limits::max());
    EXPECT_EQ(RealToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace
} // namespace tavrel::platform
