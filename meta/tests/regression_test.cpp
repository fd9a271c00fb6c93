// A meta-regression worked by hand: three studies y = 0, 1, 3 with variance 1 at x = 0, 1, 2.
// The least-squares line is y = -1/6 + 1.5 x (Sxx = 2, Sxy = 3); its residuals 1/6, -1/3,
// 1/6 give QE = 1/6 on one degree of freedom.
#include "meta/influence.h"
#include "meta/regression.h"
#include "meta/weighted_fit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrel::meta {
namespace {

const std::vector<Study> kStudies = {{0, 1}, {1, 1}, {3, 1}};
const std::vector<std::string> kNames = {"intercept", "x"};

Design Line() {
    Design x(3, 2);
    x << 1, 0, 1, 1, 1, 2;
    return x;
}

TEST(Regression, FixedEffectLineByHand) {
    const Regression model =
        FitRegression(kStudies, Line(), kNames, Method::FE, meta::Test::Z, 0.95);
    EXPECT_NEAR(model.coefficients[0].estimate, -1.0 / 6, 1e-15);
    EXPECT_NEAR(model.coefficients[1].estimate, 1.5, 1e-15);
    // Var(slope) = 1 / Sxx; QM is the slope's z squared.
    EXPECT_NEAR(model.coefficients[1].se, std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(model.qm, 1.5 * 1.5 / 0.5, 1e-13);
    EXPECT_NEAR(model.qe, 1.0 / 6, 1e-15);
    EXPECT_EQ(model.qeDf, 1);
    EXPECT_EQ(model.coefficients[1].name, "x");
}

TEST(Regression, KnappHartungScalesByTheResidualVariance) {
    const Regression model =
        FitRegression(kStudies, Line(), kNames, Method::FE, meta::Test::KnappHartung, 0.95);
    EXPECT_NEAR(model.s2w, 1.0 / 6, 1e-15); // QE / (k - p)
    EXPECT_NEAR(model.coefficients[1].se, std::sqrt(0.5 / 6), 1e-15);
    EXPECT_NEAR(model.qm, 1.5 * 1.5 / (0.5 / 6), 1e-11); // F with one numerator df
    EXPECT_EQ(model.qmDf2, 1);
}

// The root finders evaluate Q alone; it must be the full fit's Q at every tau^2.
TEST(Regression, ResidualQIsTheFitsQ) {
    for (const double tau2 : {0.0, 1.0, 1e-9, 1e6}) {
        EXPECT_NEAR(ResidualQ(kStudies, Line(), tau2), FitWeighted(kStudies, Line(), tau2).q,
                    1e-14 * FitWeighted(kStudies, Line(), tau2).q + 1e-300);
    }
    EXPECT_NEAR(ResidualQ(kStudies, Line(), 1), 1.0 / 12, 1e-15); // weights 1/2
}

TEST(Regression, DependentColumnsAreNamed) {
    Design x(3, 3);
    x << 1, 0, 0, 1, 1, 2, 1, 2, 4; // the last is twice the second
    const std::vector<std::string> names = {"intercept", "dose", "double dose"};
    try {
        FitRegression(kStudies, x, names, Method::REML, meta::Test::Z, 0.95);
        FAIL() << "a rank-deficient design was fitted";
    } catch (const RankDeficient& e) {
        EXPECT_NE(std::string(e.what()).find("dose"), std::string::npos) << e.what();
    }
}

// Without a study the line passes through the other two: the deleted residual of the middle
// study is 1 - 1.5 = -0.5 over sqrt(v + Var(prediction)) = sqrt(1 + 1/2).
TEST(Regression, DeletedResidualByHand) {
    const Regression model =
        FitRegression(kStudies, Line(), kNames, Method::FE, meta::Test::Z, 0.95);
    const std::vector<StudyInfluence> influence = Influence(kStudies, Line(), kNames, model, true);
    EXPECT_NEAR(influence[1].residual, -0.5 / std::sqrt(1.5), 1e-14);
    EXPECT_NEAR(influence[0].weight + influence[1].weight + influence[2].weight, 100, 1e-12);
    // Hat values of a line: 1/k + (x - xbar)^2 / Sxx.
    EXPECT_NEAR(influence[0].hat, 1.0 / 3 + 0.5, 1e-14);
    EXPECT_NEAR(influence[1].hat, 1.0 / 3, 1e-14);
}

} // namespace
} // namespace tavrel::meta
