#include "engine/bias_factor.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace tavrel::engine {
namespace {

TEST(BiasFactor, ApproximationAboveFifty) {
    EXPECT_EQ(BiasFactor(51), 1.0 - 3.0 / 203.0);
    EXPECT_EQ(BiasFactor(98), 1.0 - 3.0 / 391.0);
    // Where 4 df - 1 no longer fits 32 bits.
    EXPECT_EQ(BiasFactor(std::int64_t{1} << 31), 1.0 - 3.0 / 8589934591.0);
}

// Every stored value is the exact factor rounded to five decimals and then half-up to four.
// A mistyped entry shows up here.
TEST(BiasFactor, TableMatchesTheExactFactorsRoundedTwice) {
    for (int df = 2; df <= 50; ++df) {
        const double m = df;
        const double exact =
            std::exp(std::lgamma(m / 2) - std::lgamma((m - 1) / 2)) / std::sqrt(m / 2);
        const auto fiveDecimals = static_cast<long>(std::floor(exact * 1e5 + 0.5));
        const long fourDecimals = (fiveDecimals + 5) / 10;
        EXPECT_EQ(std::lround(BiasFactor(df) * 1e4), fourDecimals) << "df " << df;
    }
}

TEST(BiasFactor, NeverLeavesTheTable) {
    using Limits = std::numeric_limits<std::int64_t>;
    EXPECT_EQ(BiasFactor(0), 0.0);
    EXPECT_EQ(BiasFactor(1), 0.0);
    EXPECT_EQ(BiasFactor(-1), 0.0);
    EXPECT_EQ(BiasFactor(Limits::min()), 0.0);
    EXPECT_EQ(BiasFactor(Limits::max()), 1.0);
    EXPECT_EQ(BiasFactor(Limits::max() / 4 + 1), 1.0);
}

// The exact factor: closed forms at 2 and 4 df (1/sqrt(pi), sqrt(2/pi)), lgamma's value to
// its own accuracy everywhere, and the approximation's error of order 1/df^2 far out.
TEST(ExactBiasFactor, AgreesWithTheGammaFunctionAtEveryDf) {
    const double pi = std::acos(-1.0);
    EXPECT_NEAR(ExactBiasFactor(2), 1 / std::sqrt(pi), 3e-16);
    EXPECT_NEAR(ExactBiasFactor(4), std::sqrt(2 / pi), 3e-16);
    for (std::int64_t df = 2; df < 20000; df += df < 100 ? 1 : 97) {
        const double m = static_cast<double>(df);
        const double byLgamma =
            std::exp(std::lgamma(m / 2) - std::lgamma((m - 1) / 2)) / std::sqrt(m / 2);
        EXPECT_NEAR(ExactBiasFactor(df), byLgamma, 1e-15 * (1 + std::lgamma(m / 2))) << df;
    }
    EXPECT_NEAR(ExactBiasFactor(1'000'000'000), 1 - 3.0 / (4e9 - 1), 3e-16);
    EXPECT_TRUE(std::isnan(ExactBiasFactor(1)));
}

} // namespace
} // namespace tavrel::engine
