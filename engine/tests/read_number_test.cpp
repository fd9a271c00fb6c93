#include "engine/read_number.h"
#include "engine/truncate.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace tavrel::engine {
namespace {

struct ValCase {
    const char* text;
    double value;

    friend void PrintTo(const ValCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }
};

class ReadNumberReads : public testing::TestWithParam<ValCase> {};

TEST_P(ReadNumberReads, TheLeadingNumber) {
    const double v = ReadNumber(GetParam().text);
    EXPECT_EQ(v, GetParam().value) << '"' << GetParam().text << '"';
    EXPECT_TRUE(std::isfinite(v));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadNumberReads,
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

TEST(ReadNumber, MinusZeroIsNotPositive) {
    const double v = ReadNumber("-0");
    EXPECT_EQ(v, 0.0);
    EXPECT_FALSE(v > 0.0);
}

TEST(ReadNumber, LongDigitRunsReadExactlyAndOverlongOnesReadAsZero) {
    EXPECT_EQ(ReadNumber(std::string(5000, '0') + "42"), 42.0);
    EXPECT_EQ(ReadNumber("0." + std::string(5000, '0') + "1"), 0.0);
    EXPECT_EQ(ReadNumber(std::string(400, '9')), 0.0);
    EXPECT_EQ(ReadNumber(std::string(300, '9')), 1e300);
}

// Short decimals are read by a quicker route than long ones; both must give the correctly
// rounded value, the one from_chars gives.
TEST(ReadNumber, EveryPlainDecimalIsCorrectlyRounded) {
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
        ASSERT_EQ(ReadNumber(text), expected) << text;
        ASSERT_EQ(ReadNumber("-" + text), -expected) << text;
    }
}

TEST(TruncateToInt32, TruncatesTowardZero) {
    EXPECT_EQ(TruncateToInt32(3.9), 3);
    EXPECT_EQ(TruncateToInt32(-2.5), -2);
    EXPECT_EQ(TruncateToInt32(-0.9), 0);
    EXPECT_EQ(TruncateToInt32(2147483646.9), 2147483646);
}

TEST(TruncateToInt32, SaturatesOutsideTheRangeAndMapsNanToZero) {
    using Limits = std::numeric_limits<std::int32_t>;
    EXPECT_EQ(TruncateToInt32(2147483647.0), Limits::max());
    EXPECT_EQ(TruncateToInt32(1e12), Limits::max());
    EXPECT_EQ(TruncateToInt32(-2147483648.0), Limits::min());
    EXPECT_EQ(TruncateToInt32(-2147483648.9), Limits::min());
    EXPECT_EQ(TruncateToInt32(-1e300), Limits::min());
    EXPECT_EQ(TruncateToInt32(INFINITY), Limits::max());
    EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::quiet_NaN()), 0);
}

} // namespace
} // namespace tavrel::engine
