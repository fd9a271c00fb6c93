#include "engine/effect_sizes.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace tavrel::engine {
namespace {

EffectSizeResults All(const SummaryStats& s) {
    return ComputeResults(s, CalcMode::AllResults);
}

// The worked rows: their field texts, to the printed precision, are checked where the texts
// are made; here what the texts cannot show.
TEST(ComputeResults, WorkedRowsBeyondTheirTexts) {
    const EffectSizeResults first = All({100, 15, 20, 110, 15, 20});
    EXPECT_EQ(first.DF, 38);
    EXPECT_EQ(first.BiasFactor, 0.9801);
    const EffectSizeResults second = All({100, 15, 40, 90, 20, 60});
    EXPECT_EQ(second.DF, 98);
    EXPECT_EQ(second.BiasFactor, 1.0 - 3.0 / 391.0);
    EXPECT_GT(second.R, 0.0); // r carries no sign
    const EffectSizeResults third = All({50, 10, 3, 55, 12, 3});
    EXPECT_EQ(third.DF, 4);
    EXPECT_EQ(third.BiasFactor, 0.7979);
}

TEST(ComputeResults, EqualMeansLeaveOnlyTheSamplingError) {
    const EffectSizeResults r = All({100, 15, 30, 100, 15, 30});
    EXPECT_EQ(r.MeanDiff, 0.0);
    EXPECT_EQ(r.CohenD, 0.0);
    EXPECT_EQ(r.R, 0.0);
    EXPECT_EQ(r.HedgesG, 0.0);
    EXPECT_DOUBLE_EQ(r.HedgesSD, std::sqrt(1.0 / 15.0));
}

TEST(ComputeResults, TableEndsAtFiftyDegreesOfFreedom) {
    EXPECT_EQ(All({100, 15, 26, 110, 15, 26}).BiasFactor, 0.9849);
    EXPECT_EQ(All({100, 15, 26, 110, 15, 27}).BiasFactor, 1.0 - 3.0 / 203.0);
}

TEST(ComputeResults, GlassUsesTheControlSdAsTyped) {
    const EffectSizeResults r = All({100, 10, 20, 110, 30, 20});
    EXPECT_EQ(r.GlassDelta, 1.0);
    EXPECT_NE(r.CohenD, r.GlassDelta);
}

TEST(ComputeResults, PartialModesComputeOnlyTheirMembers) {
    const SummaryStats s{0, 10, 20, 0, 12, 25};
    const EffectSizeResults pooled = ComputeResults(s, CalcMode::PooledSDOnly);
    EXPECT_DOUBLE_EQ(pooled.PooledSD, std::sqrt((19 * 100.0 + 24 * 144.0) / 43));
    EXPECT_EQ(pooled.PooledSD, PooledStandardDeviation(s));
    EXPECT_EQ(pooled.DF, 0);

    const EffectSizeResults glass =
        ComputeResults({100, 15, 0, 110, 0, 0}, CalcMode::MeanDiffGlassOnly);
    EXPECT_EQ(glass.MeanDiff, 10.0);
    EXPECT_DOUBLE_EQ(glass.GlassDelta, 10.0 / 15.0);
    EXPECT_EQ(glass.PooledSD, 0.0);
}

// Sizes whose products and sums leave 32 bits must still give the textbook values.
TEST(ComputeResults, LargeSizesStayExact) {
    for (const std::int32_t n : {46341, 999999, std::numeric_limits<std::int32_t>::max()}) {
        const EffectSizeResults r = All({100, 15, n, 110, 15, n});
        const long double sum = 2.0L * n;
        const long double product = static_cast<long double>(n) * n;
        const double expectedSd =
            static_cast<double>(std::sqrt(sum / product + r.HedgesG * r.HedgesG / (2 * sum)));
        EXPECT_EQ(r.PooledSD, 15.0) << n;
        EXPECT_EQ(r.DF, 2 * std::int64_t{n} - 2) << n;
        EXPECT_GT(r.BiasFactor, 0.99) << n;
        EXPECT_LE(r.BiasFactor, 1.0) << n;
        EXPECT_GT(r.HedgesG, 0.66) << n;
        EXPECT_DOUBLE_EQ(r.HedgesSD, expectedSd) << n;
    }
}

TEST(ComputeResults, UnequalLargeSizesPoolWithTheRightWeights) {
    const std::int32_t big = std::numeric_limits<std::int32_t>::max();
    const EffectSizeResults r = All({100, 10, 3, 110, 20, big});
    // Almost all weight is on the second group's variance.
    EXPECT_NEAR(r.PooledSD, 20.0, 1e-6);
    EXPECT_EQ(r.DF, std::int64_t{big} + 1);
}

} // namespace
} // namespace tavrel::engine
