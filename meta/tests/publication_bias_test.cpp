// Small-study effects: the regression tests against the classical form of Egger's test, the
// rank correlation against a direct count of its pairs, trim-and-fill on tables whose answer
// is known, and every test below the studies it needs.
#include "meta/model/model.h"
#include "meta/small_study/publication_bias.h"
#include "meta/small_study/rank_correlation.h"
#include "meta/small_study/small_study_effects.h"
#include "meta/small_study/trim_and_fill.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace tavrel::meta {
namespace {

const std::vector<Study> kFive = {{0.1, 0.01}, {0.3, 0.04}, {0.35, 0.05}, {0.6, 0.12}, {0.9, 0.2}};

// Egger's original test is the ordinary regression of yi / sei on 1 / sei, its intercept the
// asymmetry; weighted by 1 / vi, the regression of yi on sei with a residual variance is the
// same model, so a fixed-effect fit under Knapp and Hartung gives the same t.
TEST(RegressionTest, FixedEffectKnappHartungIsEggersClassicalRegression) {
    double meanU = 0, meanZ = 0;
    for (const Study& s : kFive) {
        meanU += 1 / std::sqrt(s.vi) / 5;
        meanZ += s.yi / std::sqrt(s.vi) / 5;
    }
    double suu = 0, suz = 0;
    for (const Study& s : kFive) {
        suu += std::pow(1 / std::sqrt(s.vi) - meanU, 2);
        suz += (1 / std::sqrt(s.vi) - meanU) * (s.yi / std::sqrt(s.vi) - meanZ);
    }
    const double slope = suz / suu;
    const double intercept = meanZ - slope * meanU;
    double residuals = 0;
    for (const Study& s : kFive) {
        residuals += std::pow(s.yi / std::sqrt(s.vi) - intercept - slope / std::sqrt(s.vi), 2);
    }
    const double seIntercept = std::sqrt(residuals / 3 * (1.0 / 5 + meanU * meanU / suu));

    const AsymmetryTest egger = RegressionTest(kFive, AsymmetryPredictor::StandardError,
                                               {Method::FE, meta::Test::KnappHartung, 0.95});
    EXPECT_NEAR(egger.statistic, intercept / seIntercept, 1e-12);
    EXPECT_EQ(egger.df, 3);
    EXPECT_NEAR(egger.limit, slope, 1e-12);
    EXPECT_LT(egger.limitCiLow, egger.limit);
    EXPECT_GT(egger.limitCiHigh, egger.limit);
    // Under z there are no degrees of freedom.
    EXPECT_TRUE(std::isnan(
        RegressionTest(kFive, AsymmetryPredictor::Variance, {Method::REML, meta::Test::Z, 0.95})
            .df));
}

TEST(RegressionTest, NeedsThreeStudiesWithDifferentVariances) {
    const std::vector<Study> two(kFive.begin(), kFive.begin() + 2);
    EXPECT_THROW(
        RegressionTest(two, AsymmetryPredictor::StandardError, {Method::FE, meta::Test::Z, 0.95}),
        TooFewStudies);
    const std::vector<Study> alike = {{0.1, 0.04}, {0.3, 0.04}, {0.5, 0.04}};
    EXPECT_THROW(
        RegressionTest(alike, AsymmetryPredictor::Variance, {Method::DL, meta::Test::Z, 0.95}),
        RankDeficient);
}

// From 10,000 studies the tests run side by side: what each could not compute is still said
// once, in the tests' order.
TEST(SmallStudyEffects, NotesKeepTheirOrderWhenTheTestsRunSideBySide) {
    for (const std::size_t k : {std::size_t{5}, std::size_t{10'000}}) {
        std::vector<Study> alike(k, Study{0.2, 0.04});
        alike[0].yi = 0.5;
        const Model pooled = FitModel(alike, {Method::DL, meta::Test::Z, 0.95});
        const SmallStudyEffects effects = AssessSmallStudyEffects(alike, pooled, false);
        ASSERT_EQ(effects.notes.size(), 3u) << k;
        EXPECT_TRUE(effects.notes[0].starts_with("Egger's test: not computed")) << k;
        EXPECT_TRUE(effects.notes[1].starts_with("PEESE: not computed")) << k;
        EXPECT_TRUE(effects.notes[2].starts_with("Begg's test: not computed")) << k;
        EXPECT_FALSE(effects.egger || effects.peese || effects.rank) << k;
    }
}

TEST(FailSafeN, RosenthalByHand) {
    // z = 2 each: (6 / sqrt 3)^2 / 1.6449^2 = 4.4353 per study, 3 * 4.4353 - 3 = 10.31 -> 11.
    EXPECT_EQ(FailSafeN(std::vector<Study>{{1, 0.25}, {1, 0.25}, {1, 0.25}}), 11);
    // Not significant to begin with: none are needed.
    EXPECT_EQ(FailSafeN(std::vector<Study>{{0.5, 0.25}, {0.5, 0.25}}), 0);
    // One study at any k; the sign of the effects does not matter.
    EXPECT_EQ(FailSafeN(std::vector<Study>{{-1, 0.25}}), 1);
}

TEST(KendallTau, ByHand) {
    // Five concordant pairs and one discordant: tau = 4/6; T >= 5 in 4 of the 24 orders.
    const std::vector<double> x = {1, 2, 3, 4};
    const RankCorrelation plain = KendallTau(x, std::vector<double>{1, 3, 2, 4});
    EXPECT_DOUBLE_EQ(plain.tau, 4.0 / 6);
    EXPECT_DOUBLE_EQ(plain.p, 8.0 / 24);
    EXPECT_TRUE(plain.exact);
    // A tie in each: tau-b = 4 / sqrt(5 * 5), and the normal test with the ties' variance
    // (156 - 18 - 18) / 18 + 4 / 24.
    const RankCorrelation tied =
        KendallTau(std::vector<double>{1, 2, 2, 3}, std::vector<double>{1, 2, 3, 3});
    EXPECT_DOUBLE_EQ(tied.tau, 0.8);
    EXPECT_NEAR(tied.p, 0.125971163077231, 1e-14);
    EXPECT_FALSE(tied.exact);
    // One variable all alike has no correlation.
    EXPECT_TRUE(std::isnan(KendallTau(x, std::vector<double>{2, 2, 2, 2}).tau));
}

// Begg and Mazumdar rank the effects standardized about the fixed-effect estimate,
// (y - b) / sqrt(v - 1 / sum w), not the effects themselves. Here w = 1, 100, 1/4: b = 0.99037,
// and the standardized effects -0.995, 0.868, 0.055 order the studies 1, 3, 2 where the raw
// ones order them 1, 2, 3. Against v (second, first, third smallest) one pair of three agrees:
// tau = -1/3 (the raw effects would give +1/3), and with three studies P(|tau| >= 1/3) = 1.
TEST(RankTest, RanksTheStandardizedEffects) {
    const std::vector<Study> studies = {{0, 1}, {1, 0.01}, {1.1, 4}};
    const RankCorrelation rank = RankTest(studies);
    EXPECT_NEAR(rank.tau, -1.0 / 3, 1e-15);
    EXPECT_NEAR(rank.p, 1, 1e-15);
}

// The merge sort's count against every pair counted, on values with many ties.
TEST(KendallTau, EqualsTheCountOfEveryPair) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> value(0, 30);
    // From some thousands of points the sort buckets them by their bits: -0 and 0 are one value.
    for (const std::size_t n : {2, 3, 17, 60, 301, 4001}) {
        std::vector<double> x(n), y(n);
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = value(random) - 15 + (i % 5 == 0 ? 0.25 : 0);
            y[i] = value(random) + (i % 3 == 0 ? 0.5 : 0);
            if (x[i] == 0 && i % 2 == 0) {
                x[i] = -0.0;
            }
        }
        double s = 0, xPairs = 0, yPairs = 0;
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                const double dx = (x[i] > x[j]) - (x[i] < x[j]);
                const double dy = (y[i] > y[j]) - (y[i] < y[j]);
                s += dx * dy;
                xPairs += dx * dx;
                yPairs += dy * dy;
            }
        }
        EXPECT_NEAR(KendallTau(x, y).tau, s / std::sqrt(xPairs * yPairs), 1e-14) << n;
    }
}

TEST(KendallTau, ExactBelowFiftyNormalFromFifty) {
    std::vector<double> x(50), y(50);
    for (std::size_t i = 0; i < 50; ++i) {
        x[i] = static_cast<double>(i);
        y[i] = static_cast<double>((i * 7) % 50);
    }
    EXPECT_FALSE(KendallTau(x, y).exact);
    x.pop_back();
    y.pop_back();
    const RankCorrelation exact = KendallTau(x, y);
    EXPECT_TRUE(exact.exact);
    EXPECT_GT(exact.p, 0);
    EXPECT_LE(exact.p, 1);
}

TEST(TrimAndFill, ASymmetricFunnelNeedsNothing) {
    // Pairs about 0.5 at each variance, two of them a little off so that no two distances from
    // the estimate tie (exact mirrors rank by their last bits: metafor finds k0 = 1 on those).
    // metafor: trimfill(rma(yi, vi, test = "knha"))$k0 is 0.
    const std::vector<Study> symmetric = {{0.42, 0.01}, {0.6, 0.01}, {0.2, 0.05},
                                          {0.83, 0.05}, {0.0, 0.1},  {1.0, 0.1}};
    const Model pooled = FitModel(symmetric, {Method::REML, meta::Test::KnappHartung, 0.95});
    const TrimAndFill fill = FillMissingStudies(symmetric, pooled);
    EXPECT_EQ(fill.k0, 0u);
    EXPECT_TRUE(fill.filled.empty());
    EXPECT_EQ(fill.model.Pooled().estimate, pooled.Pooled().estimate);
    EXPECT_EQ(fill.model.settings.test, meta::Test::KnappHartung);
}

TEST(TrimAndFill, MirrorsTheMissingSideAboutTheTrimmedEstimate) {
    // Small studies only with large effects: the left side is missing.
    const std::vector<Study> skewed = {{0.30, 0.005}, {0.28, 0.01}, {0.33, 0.01}, {0.55, 0.05},
                                       {0.60, 0.06},  {0.75, 0.1},  {0.90, 0.15}, {1.10, 0.2}};
    const Model pooled = FitModel(skewed, {Method::FE, meta::Test::KnappHartung, 0.9});
    const TrimAndFill fill = FillMissingStudies(skewed, pooled);
    EXPECT_EQ(fill.side, Side::Left);
    ASSERT_GT(fill.k0, 0u);
    ASSERT_EQ(fill.filled.size(), fill.k0);
    // The trimmed studies are the largest; their mirrors lie below every study kept.
    for (const Study& filled : fill.filled) {
        EXPECT_LT(filled.yi, 0.28);
    }
    EXPECT_LT(fill.model.Pooled().estimate, pooled.Pooled().estimate);
    EXPECT_EQ(fill.model.k, skewed.size() + fill.k0);
    EXPECT_EQ(fill.model.settings.test, meta::Test::Z);
    EXPECT_EQ(fill.model.settings.level, 0.9);
    // The same table turned over misses the right side, and fills its mirror image.
    std::vector<Study> turned = skewed;
    for (Study& study : turned) {
        study.yi = -study.yi;
    }
    const TrimAndFill other =
        FillMissingStudies(turned, FitModel(turned, {Method::FE, meta::Test::KnappHartung, 0.9}));
    EXPECT_EQ(other.side, Side::Right);
    EXPECT_EQ(other.k0, fill.k0);
    EXPECT_NEAR(other.model.Pooled().estimate, -fill.model.Pooled().estimate, 1e-14);
}

// Every study the same g: the pooled estimate equals each of them but for its last bits, and
// a study counted to one side by those bits made the count swing from round to round.
TEST(TrimAndFill, StudiesThatAllAgreeNeedNothing) {
    const std::vector<std::pair<int, int>> sizes = {
        {99, 35},   {52, 183},  {14, 24},  {38, 66},   {132, 56}, {105, 167}, {10, 120},
        {127, 119}, {102, 129}, {149, 52}, {106, 25},  {127, 62}, {197, 8},   {182, 71},
        {136, 107}, {124, 100}, {188, 32}, {172, 69},  {27, 19},  {101, 161}, {99, 30},
        {172, 17},  {89, 63},   {179, 25}, {130, 169}, {135, 56}, {151, 39},  {158, 19}};
    std::vector<Study> same;
    for (const auto& [n1, n2] : sizes) {
        same.push_back({0.33, 1.0 / n1 + 1.0 / n2 + 0.33 * 0.33 / (2.0 * (n1 + n2))});
    }
    for (const Method method : {Method::REML, Method::DL, Method::FE, Method::PM}) {
        SCOPED_TRACE(Name(method));
        const TrimAndFill fill =
            FillMissingStudies(same, FitModel(same, {method, meta::Test::Z, 0.95}));
        EXPECT_EQ(fill.k0, 0u);
    }
}

// The side is Egger's: on this table its slope on the standard error is +0.636 while PEESE's on
// the variance is -0.248, and trim-and-fill fills on the left. metafor 3.8.1:
// trimfill(rma(yi, vi, method = "FE")) gives side "left", k0 = 1, estimate 0.254954954955
// and se 0.066899360801.
TEST(TrimAndFill, TheSideIsEggersWhereEggerAndPeeseDisagree) {
    const std::vector<double> y = {0, 0.7, 0.9, 0.7, 0.4, -0.7, 0.1};
    const std::vector<double> v = {0.01, 0.02, 0.04, 0.08, 0.16, 0.32, 0.64};
    std::vector<Study> studies;
    for (std::size_t i = 0; i < y.size(); ++i) {
        studies.push_back({y[i], v[i]});
    }
    const ModelSettings settings{Method::FE, meta::Test::Z, 0.95};
    EXPECT_GT(RegressionTest(studies, AsymmetryPredictor::StandardError, settings).statistic, 0);
    EXPECT_LT(RegressionTest(studies, AsymmetryPredictor::Variance, settings).statistic, 0);
    const TrimAndFill fill = FillMissingStudies(studies, FitModel(studies, settings));
    EXPECT_EQ(fill.side, Side::Left);
    EXPECT_EQ(fill.k0, 1U);
    EXPECT_NEAR(fill.model.Pooled().estimate, 0.254954954955, 1e-11);
    EXPECT_NEAR(fill.model.Pooled().se, 0.066899360801, 1e-11);
}

TEST(TrimAndFill, NeedsThreeStudiesOrTwoWithoutTau2) {
    const std::vector<Study> two = {{0.1, 0.04}, {0.5, 0.09}};
    EXPECT_THROW(FillMissingStudies(two, FitModel(two, {Method::REML, meta::Test::Z, 0.95})),
                 TooFewStudies);
    EXPECT_NO_THROW(FillMissingStudies(two, FitModel(two, {Method::FE, meta::Test::Z, 0.95})));
}

} // namespace
} // namespace tavrel::meta
