#include "engine/bias_factor.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace tavrel::engine {
namespace {

TEST(BiasFactor, StoredValuesAtTheEdgesOfTheTable) {
    EXPECT_EQ(BiasFactor(4), 0.7979);
    EXPECT_EQ(BiasFactor(5), 0.8408);
    EXPECT_EQ(BiasFactor(25), 0.9697);
    EXPECT_EQ(BiasFactor(38), 0.9801);
    EXPECT_EQ(BiasFactor(50), 0.9849);
}

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

} // namespace
} // namespace tavrel::engine
