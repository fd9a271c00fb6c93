// The intervals of one study's effect: the noncentral-t interval for Cohen's d against R, and
// the normal approximation where it stands in for it.
#include "meta/study/intervals.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>

namespace tavrel::meta {
namespace {

// Checked against R: uniroot over pt(t, df, ncp) to 1e-12.
TEST(Intervals, NoncentralIntervalForCohensD) {
    struct Case {
        double d;
        std::int64_t n1, n2;
        double low, high;
    };
    for (const Case& c : {Case{0.6666666666666666, 20, 20, 0.02498393779716, 1.30006943900206},
                          Case{-0.5501842443243016, 40, 60, -0.956234537589725, -0.141425791402292},
                          Case{0.45267873021259264, 3, 3, -1.20215252421780, 2.05522857813179}}) {
        const NoncentralInterval interval = NoncentralDInterval(c.d, c.n1, c.n2, 0.95);
        ASSERT_TRUE(interval.exists);
        EXPECT_NEAR(interval.bounds.low, c.low, 1e-9);
        EXPECT_NEAR(interval.bounds.high, c.high, 1e-9);
    }
    EXPECT_FALSE(NoncentralDInterval(1e5, 20, 20, 0.95).exists); // beyond what Boost evaluates
}

TEST(Intervals, TheLevelWidensOrNarrowsTheNormalInterval) {
    EXPECT_NEAR(TwoSidedZ(0.95), 1.959963984540054, 1e-15);
    const Interval narrow = NormalInterval(0.5, 0.2, TwoSidedZ(0.95));
    const Interval wide = NormalInterval(0.5, 0.2, TwoSidedZ(0.99));
    EXPECT_NEAR((wide.high - wide.low) / (narrow.high - narrow.low),
                2.5758293035489 / 1.9599639845401, 1e-12);
}

// The approximation stands in for the exact inversion only where it is as close as said.
TEST(Intervals, NoncentralApproximationIsCloseWhereItStandsIn) {
    for (const std::int64_t n : {5001, 5'000'001}) {
        for (const double d : {-20.0, 0.0, 0.3, 1.0, 3.0, 20.0}) {
            SCOPED_TRACE(std::to_string(n) + " " + std::to_string(d));
            const NoncentralInterval exact = NoncentralDInterval(d, n, n, 0.95);
            const Interval approximate = ApproximateNoncentralDInterval(d, n, n, 0.95);
            const double width = exact.bounds.high - exact.bounds.low;
            const double allowed = n < 1'000'000 ? 1e-3 : 5e-5;
            EXPECT_NEAR(approximate.low, exact.bounds.low, allowed * width);
            EXPECT_NEAR(approximate.high, exact.bounds.high, allowed * width);
        }
    }
}

} // namespace
} // namespace tavrel::meta
