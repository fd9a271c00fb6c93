// REML where Fisher scoring alone fails: variances near the end of a double's range, tau^2
// far above 1, and one study that dominates. Where no outside reference converges, the
// answer is checked by what must hold of it: the score equation at the estimate, and scale
// equivariance (a table scaled by a power of two gives tau^2 scaled exactly).
#include "meta/model/model.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace tavrel::meta {
namespace {

using Studies = std::vector<Study>;

// Studies of standardized mean differences as a table of two groups gives them: sizes n1, n2,
// g, and vi = 1/n1 + 1/n2 + g^2 / (2 (n1 + n2)).
Study FromGroups(double g, double n1, double n2) {
    return {g, 1 / n1 + 1 / n2 + g * g / (2 * (n1 + n2))};
}

// The REML score y'PPy - tr(P) at tau2, relative to tr(P), computed here on its own.
double RelativeScore(const Studies& studies, double tau2) {
    long double sumW = 0, sumWY = 0, sumW2 = 0;
    for (const Study& s : studies) {
        const long double w = 1 / (static_cast<long double>(s.vi) + tau2);
        sumW += w;
        sumWY += w * s.yi;
        sumW2 += w * w;
    }
    const long double mean = sumWY / sumW;
    long double ppy = 0;
    for (const Study& s : studies) {
        const long double r = (s.yi - mean) / (static_cast<long double>(s.vi) + tau2);
        ppy += r * r;
    }
    const long double traceP = sumW - sumW2 / sumW;
    return static_cast<double>((ppy - traceP) / traceP);
}

Studies Scaled(const Studies& studies, int exponent) {
    Studies scaled;
    for (const Study& s : studies) {
        scaled.push_back({std::ldexp(s.yi, exponent), std::ldexp(s.vi, 2 * exponent)});
    }
    return scaled;
}

void ExpectMaximum(const Studies& studies, const Model& pooled) {
    if (pooled.tau2 > 0) {
        EXPECT_NEAR(RelativeScore(studies, pooled.tau2), 0, 1e-9);
    } else {
        EXPECT_LE(RelativeScore(studies, 0), 1e-9); // the maximum on the boundary
    }
}

// Thirty studies whose variances exceed 1e162: the weights' squares underflow unscaled, which
// once made the Fisher step -infinity and its halving loop endless.
TEST(Reml, VariancesBeyondTheSquaresOfADouble) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> effect(-1, 1);
    std::uniform_real_distribution<double> size(20, 200);
    Studies studies;
    for (int i = 0; i < 30; ++i) {
        studies.push_back(FromGroups(effect(random), size(random), size(random)));
    }
    const Model small = FitModel(studies, {Method::REML, meta::Test::Z, 0.95});
    for (const int exponent : {280, 500, -480}) {
        SCOPED_TRACE(exponent);
        const Model huge = FitModel(Scaled(studies, exponent), {Method::REML, meta::Test::Z, 0.95});
        EXPECT_EQ(huge.tau2, std::ldexp(small.tau2, 2 * exponent));
        EXPECT_EQ(huge.Pooled().estimate, std::ldexp(small.Pooled().estimate, exponent));
        EXPECT_EQ(huge.Pooled().ciHigh, std::ldexp(small.Pooled().ciHigh, exponent));
        EXPECT_EQ(huge.i2, small.i2);
        EXPECT_EQ(huge.qe, small.qe);
    }
    EXPECT_GT(small.tau2, 0);
    ExpectMaximum(studies, small);
}

// Mean differences of 1e-6 to 1e8 SDs: tau^2 up to 1e16, where an absolute stopping rule
// jitters in the last bit and fails at random.
TEST(Reml, EveryScaleConvergesAndScalesExactly) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> size(10, 120);
    for (int table = 0; table < 60; ++table) {
        const double scale = std::pow(10.0, -6 + 14.0 * table / 59);
        std::uniform_real_distribution<double> difference(0.1 * scale, 1.5 * scale);
        Studies studies;
        for (int i = 0; i < 12; ++i) {
            studies.push_back(FromGroups(difference(random), size(random), size(random)));
        }
        SCOPED_TRACE(scale);
        const Model pooled = FitModel(studies, {Method::REML, meta::Test::Z, 0.95});
        ExpectMaximum(studies, pooled);
        const Model doubled = FitModel(Scaled(studies, 3), {Method::REML, meta::Test::Z, 0.95});
        EXPECT_EQ(doubled.tau2, std::ldexp(pooled.tau2, 6));
        EXPECT_EQ(doubled.Pooled().se, std::ldexp(pooled.Pooled().se, 3));
    }
}

// One study of 5,000 per group beside eleven of 30 to 110: the likelihood is flat where
// scoring creeps, and the root finder takes over.
TEST(Reml, ADominantStudyStillGivesTheMaximum) {
    std::mt19937 random(3);
    std::uniform_real_distribution<double> size(30, 110);
    std::normal_distribution<double> effect(0.3, 0.1);
    for (int table = 0; table < 40; ++table) {
        Studies studies = {FromGroups(0.25, 5000, 5000)};
        for (int i = 0; i < 11; ++i) {
            studies.push_back(FromGroups(effect(random), size(random), size(random)));
        }
        const Model pooled = FitModel(studies, {Method::REML, meta::Test::Z, 0.95});
        ExpectMaximum(studies, pooled);
    }
}

// I^2 and H^2 near the top of a double's range: 100 tau^2 would overflow, the shares do not.
// Effects 0.1 to 0.9 with variances near 1e-200: tau^2 is 1e199 times every variance, so the
// variances drop out and the studies weigh alike. REML's tau^2 is then the effects' sample
// variance, 0.4 / 4 = 0.1, and ML's 0.4 / 5 = 0.08 (metafor gives both); the weights' squares
// at tau^2 and at 0 once overflowed and underflowed together.
TEST(Reml, HeterogeneityFarBeyondTheVariances) {
    const Studies studies = {
        {0.1, 1e-200}, {0.3, 1e-200}, {0.5, 2e-200}, {0.7, 1e-200}, {0.9, 3e-200}};
    for (const meta::Test test : {meta::Test::Z, meta::Test::KnappHartung}) {
        const Model reml = FitModel(studies, {Method::REML, test, 0.95});
        EXPECT_NEAR(reml.tau2, 0.1, 1e-12);
        EXPECT_NEAR(reml.Pooled().estimate, 0.5, 1e-12);
        EXPECT_NEAR(reml.Pooled().se, std::sqrt(0.1 / 5),
                    1e-12); // Knapp-Hartung's factor is 1 here
        EXPECT_NEAR(FitModel(studies, {Method::ML, test, 0.95}).tau2, 0.08, 1e-12);
        EXPECT_NEAR(FitModel(studies, {Method::PM, test, 0.95}).tau2, 0.1, 1e-9);
    }
}

TEST(Reml, SharesOfHeterogeneityNearTheTopOfTheRange) {
    const Studies studies = {{-3e153, 4e305}, {3e153, 4e305}, {0, 4e305}};
    for (const Method method : {Method::REML, Method::DL}) {
        const Model pooled = FitModel(studies, {method, meta::Test::Z, 0.95});
        EXPECT_GT(pooled.tau2, 1e306);
        EXPECT_GT(pooled.i2, 90);
        EXPECT_LT(pooled.i2, 100);
        EXPECT_NEAR(pooled.h2, 1 / (1 - pooled.i2 / 100), 1e-9 * pooled.h2);
    }
}

} // namespace
} // namespace tavrel::meta
