// A design whose categorical moderator the fit absorbs, against the same design decomposed
// whole, and worked by hand.
#include "meta/fit/fit_design.h"
#include "meta/model/model.h"
#include "meta/fit/weighted_fit.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tavrel::meta {
namespace {

// Nine studies in four levels (the reference and three indicators) beside a dose.
const std::vector<Study> kStudies = {{0.1, 0.04}, {0.5, 0.02}, {0.3, 0.05},
                                     {0.9, 0.03}, {0.2, 0.06}, {0.7, 0.02},
                                     {0.4, 0.04}, {1.1, 0.05}, {0.6, 0.03}};
const int kLevel[] = {0, 1, 2, 3, 0, 1, 2, 3, 2};
const double kDose[] = {1, 2, 3, 1, 5, 2, 4, 3, 2};

// The indicators as `indicator` (1: a factor the fit absorbs; 2: columns it decomposes).
Design Labs(double indicator) {
    Design x = Design::Zero(9, 5);
    for (int i = 0; i < 9; ++i) {
        x(i, 0) = 1;
        x(i, 1) = kDose[i];
        if (kLevel[i] > 0) {
            x(i, 1 + kLevel[i]) = indicator;
        }
    }
    return x;
}

void ExpectNear(const Eigen::MatrixXd& a, const Eigen::MatrixXd& b) {
    ASSERT_EQ(a.rows(), b.rows());
    ASSERT_EQ(a.cols(), b.cols());
    EXPECT_LT((a - b).cwiseAbs().maxCoeff(), 1e-12 * (1 + b.cwiseAbs().maxCoeff()));
}

TEST(AbsorbedFit, FitsAsTheWholeDesignDecomposed) {
    const FitDesign absorbed(Labs(1));
    const FitDesign dense(Labs(2));
    ASSERT_TRUE(absorbed.Absorbed());
    ASSERT_FALSE(dense.Absorbed());
    // Doubled indicators halve their coefficients and quarter their covariances.
    Eigen::VectorXd scale(5);
    scale << 1, 1, 2, 2, 2;
    for (const double tau2 : {0.0, 0.3}) {
        const WeightedFit a = FitWeighted(kStudies, absorbed, tau2);
        const WeightedFit d = FitWeighted(kStudies, dense, tau2);
        ExpectNear(a.beta, d.beta.cwiseProduct(scale));
        ExpectNear(a.inverse, d.inverse.cwiseProduct(scale * scale.transpose()));
        ExpectNear(a.residual, d.residual);
        ExpectNear(a.hat, d.hat);
        for (const auto& [ours, theirs] : {std::pair{a.q, d.q},
                                           {a.residualSquares, d.residualSquares},
                                           {a.traceP, d.traceP},
                                           {a.tracePP, d.tracePP}}) {
            EXPECT_NEAR(ours, theirs, 1e-12 * theirs);
        }
        EXPECT_NEAR(ResidualQ(kStudies, absorbed, tau2), d.q, 1e-12 * d.q);
        // A row left out of a fit: the prediction's variance at it.
        EXPECT_NEAR(PredictionVariance(absorbed, a, absorbed.Row(7)),
                    PredictionVariance(dense, d, dense.Row(7)), 1e-12);
    }
    // The restricted likelihood differs by the constant log |T|^2 of the reparametrization.
    for (const bool restricted : {false, true}) {
        const auto change = [&](const FitDesign& x) {
            return LogLikelihood(kStudies, x, 0.3, restricted) -
                   LogLikelihood(kStudies, x, 0.1, restricted);
        };
        EXPECT_NEAR(change(absorbed), change(dense), 1e-12);
    }
    const UnweightedFit a = FitUnweighted(kStudies, absorbed);
    const UnweightedFit d = FitUnweighted(kStudies, dense);
    EXPECT_NEAR(a.squares, d.squares, 1e-12);
    EXPECT_NEAR(a.traceVarianceResidual, d.traceVarianceResidual, 1e-12);
}

// A factor alone, each study of variance 1: every level's coefficient is its mean, the
// reference's the intercept; the levels' means 2, 5, 1 and 4 leave QE = 1 + 1 + 1 + 1 = 4 on
// 7 - 4 = 3 degrees of freedom, and each hat value is 1 over its level's size.
TEST(AbsorbedFit, LevelsMeansByHand) {
    const std::vector<Study> studies = {{1, 1}, {3, 1}, {5, 1}, {0, 1}, {2, 1}, {4, 1}, {4, 1}};
    const int level[] = {0, 0, 1, 2, 2, 3, 3};
    Design x = Design::Zero(7, 4);
    for (int i = 0; i < 7; ++i) {
        x(i, 0) = 1;
        if (level[i] > 0) {
            x(i, level[i]) = 1;
        }
    }
    const std::vector<std::string> names = {"intercept", "lab=b", "lab=c", "lab=d"};
    const Model model = FitModel(studies, x, names, {Method::FE, meta::Test::Z, 0.95});
    EXPECT_NEAR(model.coefficients[0].estimate, 2, 1e-15);
    EXPECT_NEAR(model.coefficients[1].estimate, 3, 1e-15);
    EXPECT_NEAR(model.coefficients[2].estimate, -1, 1e-15);
    EXPECT_NEAR(model.coefficients[3].estimate, 2, 1e-15);
    // Var(level mean) = 1 / n: the reference's 1/2, a difference 1/2 + 1/n.
    EXPECT_NEAR(model.coefficients[0].se, std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(model.coefficients[1].se, std::sqrt(1.5), 1e-15);
    EXPECT_NEAR(model.qe, 4, 1e-14);
    EXPECT_EQ(model.qeDf, 3);
    const WeightedFit fit = FitWeighted(studies, FitDesign(x), 0);
    EXPECT_NEAR(fit.hat[2], 1, 1e-15);
    EXPECT_NEAR(fit.hat[3], 0.5, 1e-15);

    // Without study 3 (the only one of level b) the design loses a rank.
    const FitDesign design(x);
    EXPECT_TRUE(IsFittable(design, Method::FE));
    EXPECT_FALSE(IsFittable(design.WithoutRow(2), Method::FE));
    EXPECT_TRUE(IsFittable(design.WithoutRow(3), Method::FE));
}

} // namespace
} // namespace tavrel::meta
