// Pooling checked by hand: cases whose answers follow from the formulas in a line or two.
#include "meta/diagnostics/influence.h"
#include "meta/diagnostics/leave_one_out.h"
#include "meta/diagnostics/subgroups.h"
#include "meta/model/model.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace tavrel::meta {
namespace {

using Studies = std::vector<Study>;

TEST(Pool, IdenticalStudiesHaveNoHeterogeneity) {
    const Studies studies = {{0.5, 0.04}, {0.5, 0.04}};
    for (const auto& [name, method] : kMethodNames) {
        const Model pooled = FitModel(studies, {method, meta::Test::Z, 0.95});
        EXPECT_EQ(pooled.tau2, 0.0) << name;
        EXPECT_EQ(pooled.qe, 0.0);
        EXPECT_EQ(pooled.i2, 0.0);
        EXPECT_DOUBLE_EQ(pooled.Pooled().estimate, 0.5);
        EXPECT_DOUBLE_EQ(pooled.Pooled().se, std::sqrt(0.02));
        EXPECT_DOUBLE_EQ(pooled.piLow, pooled.Pooled().ciLow); // no tau2: the same interval
    }
}

// Three studies 0, 2, 4 with variance 1: the unweighted and weighted means are 2, the squares
// about them S = 8, Q = 8, and with w = 1 / (1 + tau2) every estimator solves by hand:
//   DL (Q - 2) / (3 - 1) = 3;  HE S / 2 - 3 / 3 = 3;  HS (Q - 3) / 3 = 5/3;
//   SJ from tau0^2 = S / 3 = 8/3, w0 = 3/11: tau0^2 * 8 w0 / 2 = 32/11;
//   PM and EB 8 w = 2, so tau2 = 3;  ML 8 w^2 = 3 w, w = 3/8, tau2 = 5/3;
//   REML 8 w^2 = 3 w - w, w = 1/4, tau2 = 3.
TEST(Pool, EveryEstimatorSolvesByHandOnEqualVariances) {
    const Studies studies = {{0, 1}, {2, 1}, {4, 1}};
    const std::pair<Method, double> expected[] = {
        {Method::DL, 3},         {Method::HE, 3},   {Method::HS, 5.0 / 3},
        {Method::SJ, 32.0 / 11}, {Method::PM, 3},   {Method::EB, 3},
        {Method::ML, 5.0 / 3},   {Method::REML, 3}, {Method::EE, 0}};
    for (const auto& [method, tau2] : expected) {
        EXPECT_NEAR(FitModel(studies, {method, meta::Test::Z, 0.95}).tau2, tau2, 1e-12)
            << Name(method);
    }
}

// The same three studies: the generalized Q is 8 / (1 + tau2), and chi-square with 2 df has
// the quantile -2 ln(1 - p). At 50%: Q = 2.7726 (p = .75) at tau2 = 8 / 2.7726 - 1 = 1.8854,
// Q = 0.57536 (p = .25) at tau2 = 12.904. At 95% the upper end, 8 / 0.050636 - 1 = 157, lies
// beyond the search (max(100, 10 tau2-hat)): not found. For FE, no interval.
TEST(Pool, QProfileIntervalsSolveByHand) {
    const Studies studies = {{0, 1}, {2, 1}, {4, 1}};
    const Model half = FitModel(studies, {Method::REML, meta::Test::Z, 0.5});
    EXPECT_NEAR(half.tau2CiLow, 8 / (-2 * std::log(0.25)) - 1, 1e-12);
    EXPECT_NEAR(half.tau2CiHigh, 8 / (-2 * std::log(0.75)) - 1, 1e-10);
    EXPECT_NEAR(half.tauCiLow, std::sqrt(half.tau2CiLow), 1e-15);
    // The typical within-study variance is 1: I^2 = 100 tau2 / (1 + tau2), H^2 = 1 + tau2.
    EXPECT_NEAR(half.i2CiLow, 100 * half.tau2CiLow / (1 + half.tau2CiLow), 1e-12);
    EXPECT_NEAR(half.h2CiHigh, 1 + half.tau2CiHigh, 1e-12);
    const Model wide = FitModel(studies, {Method::DL, meta::Test::Z, 0.95});
    EXPECT_NEAR(wide.tau2CiLow, 8 / (-2 * std::log(0.025)) - 1, 1e-12);
    EXPECT_TRUE(std::isnan(wide.tau2CiHigh));
    EXPECT_TRUE(std::isnan(FitModel(studies, {Method::FE, meta::Test::Z, 0.95}).tau2CiLow));
    // Studies closer than chance allows: even tau2 = 0 leaves Q below the lower quantile.
    const Model alike =
        FitModel(Studies{{0, 1}, {0.01, 1}, {0.02, 1}}, {Method::REML, meta::Test::Z, 0.95});
    EXPECT_EQ(alike.tau2CiLow, 0);
    EXPECT_EQ(alike.tau2CiHigh, 0);
}

// Without each of 0, 2 and 4 (variance 1), the fixed-effect mean is that of the other two,
// with se sqrt(1/2); DL's tau2 without the middle study is (Q - 1) / (2 - 1) = 8 - 1 = 7.
TEST(Pool, LeaveOneOutRefitsWithoutEachStudyInOrder) {
    const Studies studies = {{0, 1}, {2, 1}, {4, 1}};
    const std::vector<Model> fixed = LeaveOneOut(studies, {Method::FE, meta::Test::Z, 0.95});
    ASSERT_EQ(fixed.size(), 3U);
    EXPECT_DOUBLE_EQ(fixed[0].Pooled().estimate, 3);
    EXPECT_DOUBLE_EQ(fixed[1].Pooled().estimate, 2);
    EXPECT_DOUBLE_EQ(fixed[2].Pooled().estimate, 1);
    EXPECT_DOUBLE_EQ(fixed[1].Pooled().se, std::sqrt(0.5));
    EXPECT_NEAR(LeaveOneOut(studies, {Method::DL, meta::Test::Z, 0.95})[1].tau2, 7, 1e-12);
}

// Of two studies, each fit is the other alone, as metafor's leave1out() gives it: the study's
// own estimate and normal interval whatever the method and test, and no heterogeneity
// (Q = 0 with p = 1, tau^2 = 0, I^2 = 0, H^2 = 1).
TEST(Pool, LeaveOneOutOfTwoStudiesFitsEachAlone) {
    const Studies studies = {{0.2, 0.04}, {0.5, 0.05}};
    for (const Method method : {Method::REML, Method::DL, Method::FE}) {
        const std::vector<Model> fits =
            LeaveOneOut(studies, {method, meta::Test::KnappHartung, 0.95});
        ASSERT_EQ(fits.size(), 2U);
        EXPECT_EQ(fits[0].Pooled().estimate, 0.5);
        EXPECT_EQ(fits[1].Pooled().estimate, 0.2);
        EXPECT_DOUBLE_EQ(fits[1].Pooled().se, 0.2);
        EXPECT_EQ(fits[1].settings.test, meta::Test::Z);
        EXPECT_NEAR(fits[1].Pooled().statistic, 1, 1e-15);
        EXPECT_NEAR(fits[1].Pooled().p, 0.31731050786291404, 1e-15); // 2 P(Z > 1)
        EXPECT_NEAR(fits[1].Pooled().ciLow, 0.2 - 1.959963984540054 * 0.2, 1e-15);
        EXPECT_EQ(fits[1].qe, 0);
        EXPECT_EQ(fits[1].qeP, 1);
        EXPECT_EQ(fits[1].tau2, 0);
        EXPECT_EQ(fits[1].i2, 0);
        EXPECT_EQ(fits[1].h2, 1);
    }
}

// Of two studies each refit is the other study alone, as metafor's rstudent() and
// cooks.distance() have it. Without study 1 the prediction is 0.5 with variance 0.05: its
// residual is (0.1 - 0.5) / sqrt(0.04 + 0.05) = -4/3. The fixed-effect estimate is
// (0.1 / 0.04 + 0.5 / 0.05) / (25 + 20) = 5/18 with se^2 1/45, so Cook's distance of study 1
// is (5/18 - 1/2)^2 * 45 = 20/9 and of study 2 (5/18 - 1/10)^2 * 45 = 64/45.
TEST(Pool, InfluenceOfTwoStudiesRefitsEachAlone) {
    const Studies studies = {{0.1, 0.04}, {0.5, 0.05}};
    const Model fixed = FitModel(studies, {Method::FE, meta::Test::Z, 0.95});
    const std::vector<StudyInfluence> influence = Influence(studies, InterceptOnly(2), fixed, true);
    ASSERT_EQ(influence.size(), 2U);
    EXPECT_NEAR(influence[0].residual, -4.0 / 3, 1e-14);
    EXPECT_NEAR(influence[1].residual, 4.0 / 3, 1e-14);
    EXPECT_NEAR(influence[0].cooksDistance, 20.0 / 9, 1e-13);
    EXPECT_NEAR(influence[1].cooksDistance, 64.0 / 45, 1e-13);
    EXPECT_NEAR(influence[0].weight, 100 * 25.0 / 45, 1e-12);
    EXPECT_NEAR(influence[0].hat, 25.0 / 45, 1e-15);
}

// Knapp and Hartung's factor is 0 where the studies agree exactly; metafor then gives se 0,
// t = Inf and p = 0, and the groups' test cannot weigh a group with se 0.
TEST(Pool, KnappHartungWithoutResidualVariance) {
    const Studies same = {{0.5, 0.01}, {0.5, 0.02}, {0.5, 0.04}};
    const Model pooled = FitModel(same, {Method::REML, meta::Test::KnappHartung, 0.95});
    EXPECT_EQ(pooled.Pooled().se, 0);
    EXPECT_EQ(pooled.Pooled().statistic, std::numeric_limits<double>::infinity());
    EXPECT_EQ(pooled.Pooled().p, 0);
    EXPECT_EQ(pooled.Pooled().ciLow, 0.5);
    EXPECT_EQ(pooled.Pooled().ciHigh, 0.5);

    const Studies studies = {{0.5, 0.1}, {0.5, 0.1}, {0.3, 0.1}, {0.6, 0.1}, {0.2, 0.1}};
    const std::vector<std::string> groups = {"a", "a", "b", "b", "b"};
    const SubgroupTest test = SubgroupDifferences(
        PoolSubgroups(studies, groups, {Method::REML, meta::Test::KnappHartung, 0.95}));
    EXPECT_TRUE(std::isnan(test.q));
    EXPECT_TRUE(std::isnan(test.p));
    EXPECT_EQ(test.df, 1);
    EXPECT_NE(test.note.find("standard error of 0"), std::string::npos) << test.note;
}

// Two groups of two identical studies (variance 1): estimates 0 and 2, each with se sqrt(1/2);
// their fixed-effect mean is 1, Q = 1 / 0.5 + 1 / 0.5 = 4 on 1 df, p = P(chi2(1) > 4) = .0455.
// A group of one study is that study.
TEST(Pool, SubgroupsAndTheirDifferencesByHand) {
    const Studies studies = {{0, 1}, {2, 1}, {0, 1}, {2, 1}, {5, 4}};
    const std::vector<std::string> groups = {"a", "b", "a", "b", "c"};
    const std::vector<Subgroup> subgroups =
        PoolSubgroups(studies, groups, {Method::FE, meta::Test::Z, 0.95});
    ASSERT_EQ(subgroups.size(), 3U);
    EXPECT_EQ(subgroups[1].name, "b");
    EXPECT_DOUBLE_EQ(subgroups[1].model.Pooled().estimate, 2);
    EXPECT_DOUBLE_EQ(subgroups[2].model.Pooled().se, 2);
    EXPECT_TRUE(std::isnan(subgroups[2].model.tau2) && !subgroups[2].note.empty());
    const SubgroupTest two = SubgroupDifferences(std::span(subgroups).first(2));
    EXPECT_DOUBLE_EQ(two.q, 4);
    EXPECT_EQ(two.df, 1);
    EXPECT_NEAR(two.p, 0.0455003, 1e-7);
}

// Two studies, equal variances v: Q = (y1 - y2)^2 / (2v); DL's tau2 = (Q - 1) v; REML's
// maximum is at ((y1 - y2)^2 / 2 - v), where the restricted likelihood's score is zero.
TEST(Pool, TwoStudiesWithEqualVariancesHaveClosedForms) {
    const Studies studies = {{0.2, 0.01}, {0.8, 0.01}};
    const Model dl = FitModel(studies, {Method::DL, meta::Test::Z, 0.95});
    EXPECT_DOUBLE_EQ(dl.qe, 0.36 / 0.02);
    EXPECT_NEAR(dl.tau2, (18 - 1) * 0.01, 1e-15);
    EXPECT_DOUBLE_EQ(dl.Pooled().estimate, 0.5);
    EXPECT_NEAR(dl.Pooled().se, std::sqrt((0.01 + dl.tau2) / 2), 1e-15);
    EXPECT_NEAR(dl.i2, 100 * (18.0 - 1) / 18, 1e-10);
    const Model reml = FitModel(studies, {Method::REML, meta::Test::Z, 0.95});
    EXPECT_NEAR(reml.tau2, 0.36 / 2 - 0.01, 1e-12);
    EXPECT_GT(reml.iterations, 0);
    EXPECT_DOUBLE_EQ(WeightPercent(reml, 0, studies[0]), 50.0);
    // Knapp-Hartung with k = 2: t with 1 degree of freedom.
    const Model knha = FitModel(studies, {Method::DL, meta::Test::KnappHartung, 0.95});
    EXPECT_NEAR(knha.Pooled().ciHigh - knha.Pooled().estimate,
                12.706204736174707 * knha.Pooled().se, 1e-12);
}

// Less spread than the variances explain: tau2 stays at its boundary, 0, for both
// estimators, and REML reaches it by halving its steps.
TEST(Pool, TauSquaredStopsAtZero) {
    const Studies studies = {{0.30, 0.05}, {0.31, 0.04}, {0.29, 0.06}, {0.30, 0.05}};
    EXPECT_EQ(FitModel(studies, {Method::DL, meta::Test::Z, 0.95}).tau2, 0.0);
    const Model reml = FitModel(studies, {Method::REML, meta::Test::Z, 0.95});
    EXPECT_LT(reml.tau2, 1e-9);
    EXPECT_GE(reml.tau2, 0.0);
    EXPECT_NEAR(reml.i2, 0.0, 1e-6);
}

// A huge Q: its p underflows to 0 rather than failing, and every value stays finite.
TEST(Pool, HugeHeterogeneityStaysFinite) {
    const Studies studies = {{-5, 1e-6}, {5, 1e-6}, {0, 1e-6}};
    for (const Method method : {Method::REML, Method::DL, Method::FE}) {
        const Model pooled = FitModel(studies, {method, meta::Test::Z, 0.95});
        EXPECT_GT(pooled.qe, 1e7);
        EXPECT_EQ(pooled.qeP, 0.0);
        EXPECT_TRUE(std::isfinite(pooled.Pooled().ciLow) && std::isfinite(pooled.piHigh));
    }
    EXPECT_NEAR(FitModel(studies, {Method::REML, meta::Test::Z, 0.95}).tau2, 25.0, 1e-3);
}

// Two equal studies of variance 2: the fixed-effect estimate has se 1, so z is the estimate.
// At z = 1.96 the two-sided p is 2 (1 - Phi(1.96)) = 0.0499958, from a normal table.
TEST(Pool, TheZTestsPIsTwoSided) {
    for (const double sign : {1.0, -1.0}) {
        const Studies studies = {{1.96 * sign, 2}, {1.96 * sign, 2}};
        const Model pooled = FitModel(studies, {Method::FE, meta::Test::Z, 0.95});
        EXPECT_DOUBLE_EQ(pooled.Pooled().se, 1);
        EXPECT_DOUBLE_EQ(pooled.Pooled().statistic, 1.96 * sign);
        EXPECT_NEAR(pooled.Pooled().p, 0.0499958, 1e-7);
    }
}

// Knapp and Hartung by hand, for the two studies (0.2, 0.01) and (0.8, 0.01) under DL:
// tau2 = 0.17, each weight 1 / 0.18, the estimate 0.5; the scale factor
// sum w (y - 0.5)^2 / (k - 1) = 2 (0.09 / 0.18) = 1, so se^2 = 1 * 0.18 / 2 and se = 0.3. A
// factor that forgot tau2 in its weights would be 2 (0.09 / 0.01) = 18.
TEST(Pool, KnappHartungScalesByTheWeightedResidualsOfTheRandomEffectsModel) {
    const Studies studies = {{0.2, 0.01}, {0.8, 0.01}};
    const Model knha = FitModel(studies, {Method::DL, meta::Test::KnappHartung, 0.95});
    EXPECT_NEAR(knha.tau2, 0.17, 1e-15);
    EXPECT_NEAR(knha.Pooled().se, 0.3, 1e-15);
    EXPECT_NEAR(knha.Pooled().statistic, 0.5 / 0.3, 1e-14);
}

} // namespace
} // namespace tavrel::meta
