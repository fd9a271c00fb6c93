// The plot's axis over many ranges: it covers the data and 0, and its ticks are round and
// even, from one end to the other. An axis that ended below the data would let whiskers run
// into the estimates' column.
#include "plots/axis.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace tavrel::plots {
namespace {

TEST(RoundAxis, CoversTheDataAndZeroWithEvenRoundTicks) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> exponent(-4, 4);
    std::uniform_real_distribution<double> unit(-1, 1);
    for (int i = 0; i < 20000; ++i) {
        const double scale = std::pow(10.0, exponent(random));
        double low = unit(random) * scale;
        double high = low + std::fabs(unit(random)) * scale * std::pow(10.0, exponent(random) / 4);
        SCOPED_TRACE(std::to_string(low) + " " + std::to_string(high));
        const Axis axis = RoundAxis(low, high);
        ASSERT_GE(axis.ticks.size(), 2u);
        EXPECT_LE(axis.low, std::min(low, 0.0));
        EXPECT_GE(axis.high, std::max(high, 0.0));
        EXPECT_EQ(axis.ticks.front(), axis.low);
        EXPECT_NEAR(axis.ticks.back(), axis.high, 1e-9 * (axis.high - axis.low));
        EXPECT_NE(std::find(axis.ticks.begin(), axis.ticks.end(), 0.0), axis.ticks.end());
        EXPECT_LE(axis.ticks.size(), 12u);
        const double step = axis.ticks[1] - axis.ticks[0];
        for (std::size_t t = 1; t < axis.ticks.size(); ++t) {
            EXPECT_NEAR(axis.ticks[t] - axis.ticks[t - 1], step, 1e-9 * step);
        }
        // A round step: 1, 2, 2.5 or 5 times a power of ten.
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-12));
        EXPECT_TRUE(std::fabs(mantissa - 1) < 1e-9 || std::fabs(mantissa - 2) < 1e-9 ||
                    std::fabs(mantissa - 2.5) < 1e-9 || std::fabs(mantissa - 5) < 1e-9)
            << mantissa;
    }
}

TEST(RoundAxis, AnEmptyRangeStillHasAnAxis) {
    const Axis axis = RoundAxis(0, 0);
    EXPECT_LT(axis.low, axis.high);
}

} // namespace
} // namespace tavrel::plots
