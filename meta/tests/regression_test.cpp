// A meta-regression worked by hand: three studies y = 0, 1, 3 with variance 1 at x = 0, 1, 2.
// The least-squares line is y = -1/6 + 1.5 x (Sxx = 2, Sxy = 3); its residuals 1/6, -1/3,
// 1/6 give QE = 1/6 on one degree of freedom.
#include "meta/diagnostics/influence.h"
#include "meta/fit/weighted_fit.h"
#include "meta/model/model.h"

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
    const Model model = FitModel(kStudies, Line(), kNames, {Method::FE, meta::Test::Z, 0.95});
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
    const Model model =
        FitModel(kStudies, Line(), kNames, {Method::FE, meta::Test::KnappHartung, 0.95});
    EXPECT_NEAR(model.s2w, 1.0 / 6, 1e-15); // QE / (k - p)
    EXPECT_NEAR(model.coefficients[1].se, std::sqrt(0.5 / 6), 1e-15);
    EXPECT_NEAR(model.qm, 1.5 * 1.5 / (0.5 / 6), 1e-11); // F with one numerator df
    EXPECT_EQ(model.qmDf2, 1);
}

// The root finders evaluate Q alone; it must be the full fit's Q at every tau^2.
TEST(Regression, ResidualQIsTheFitsQ) {
    for (const double tau2 : {0.0, 1.0, 1e-9, 1e6}) {
        EXPECT_NEAR(ResidualQ(kStudies, FitDesign(Line()), tau2),
                    FitWeighted(kStudies, Line(), tau2).q,
                    1e-14 * FitWeighted(kStudies, Line(), tau2).q + 1e-300);
    }
    EXPECT_NEAR(ResidualQ(kStudies, FitDesign(Line()), 1), 1.0 / 12, 1e-15); // weights 1/2
}

// The fit takes W^1/2 [X y] to triangular form a block of rows at a time: over many blocks it
// must be the one Householder QR of the whole, which Eigen gives here as the reference.
TEST(Regression, BlocksOfRowsFitAsOneDecomposition) {
    const Eigen::Index k = 5000;
    std::vector<Study> studies;
    Design x(k, 3);
    for (Eigen::Index i = 0; i < k; ++i) {
        const double t = static_cast<double>(i) / k;
        studies.push_back({std::sin(7 * t) + t, 0.01 + 0.5 * t * t});
        x.row(i) << 1, 1990 + 30 * t, std::cos(3 * t);
    }
    const double tau2 = 0.2;
    Eigen::VectorXd root(k);
    Eigen::VectorXd y(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        root[i] = 1 / std::sqrt(studies[static_cast<std::size_t>(i)].vi + tau2);
        y[i] = studies[static_cast<std::size_t>(i)].yi;
    }
    const Eigen::MatrixXd weighted = root.asDiagonal() * x;
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(weighted);
    const Eigen::VectorXd beta = qr.solve(root.cwiseProduct(y));
    const Eigen::VectorXd residual = y - x * beta;
    const double q = root.cwiseProduct(residual).squaredNorm();
    const Eigen::MatrixXd thinQ = qr.householderQ() * Eigen::MatrixXd::Identity(k, 3);

    const WeightedFit fit = FitWeighted(studies, x, tau2);
    EXPECT_LT((fit.beta - beta).cwiseAbs().maxCoeff(), 1e-10 * beta.cwiseAbs().maxCoeff());
    EXPECT_NEAR(fit.q, q, 1e-10 * q);
    EXPECT_NEAR(ResidualQ(studies, FitDesign(x), tau2), q, 1e-10 * q);
    for (const Eigen::Index i : {Eigen::Index{0}, Eigen::Index{2047}, Eigen::Index{2048}, k - 1}) {
        const double hat = thinQ.row(i).squaredNorm();
        EXPECT_NEAR(fit.hat[i], hat, 1e-10 * hat) << i;
    }
}

// A design of one column is fitted block by block, each block at its own coefficient, and the
// blocks merged: over many blocks (one of them all zeros) every quantity must be the plain sums'.
TEST(Regression, OneColumnOverManyBlocksIsThePlainSums) {
    const Eigen::Index k = 5000;
    std::vector<Study> studies;
    Design ones = Design::Ones(k, 1);
    Design column(k, 1);
    for (Eigen::Index i = 0; i < k; ++i) {
        const double t = static_cast<double>(i) / k;
        studies.push_back({100 + std::sin(7 * t) + t, 0.01 + 0.5 * t * t});
        column(i, 0) = i < 2048 ? 0 : 1 + std::cos(3 * t);
    }
    const double tau2 = 0.2;
    for (const Design* x : {&ones, &column}) {
        double s = 0, cross = 0, sumW = 0, sumW2 = 0, w2c2 = 0, w3c2 = 0, logs = 0;
        for (Eigen::Index i = 0; i < k; ++i) {
            const Study& study = studies[static_cast<std::size_t>(i)];
            const double w = 1 / (study.vi + tau2);
            const double c = (*x)(i, 0);
            s += w * c * c;
            cross += w * c * study.yi;
            sumW += w;
            sumW2 += w * w;
            w2c2 += w * w * c * c;
            w3c2 += w * w * w * c * c;
            logs += std::log(w);
        }
        const double beta = cross / s;
        double q = 0, residualSquares = 0;
        for (Eigen::Index i = 0; i < k; ++i) {
            const Study& study = studies[static_cast<std::size_t>(i)];
            const double w = 1 / (study.vi + tau2);
            const double r = study.yi - (*x)(i, 0) * beta;
            q += w * r * r;
            residualSquares += w * w * r * r;
        }
        const FitDesign design(*x);
        const WeightedFit fit = FitWeighted(studies, design, tau2);
        EXPECT_NEAR(fit.beta[0], beta, 1e-13 * beta);
        EXPECT_NEAR(fit.q, q, 1e-10 * q);
        EXPECT_NEAR(ResidualQ(studies, design, tau2), q, 1e-10 * q);
        EXPECT_NEAR(fit.residualSquares, residualSquares, 1e-10 * residualSquares);
        EXPECT_NEAR(fit.traceP, sumW - w2c2 / s, 1e-12 * sumW);
        const double hatSquares = (w2c2 / s) * (w2c2 / s);
        EXPECT_NEAR(fit.tracePP, sumW2 - 2 * w3c2 / s + hatSquares, 1e-12 * sumW2);
        EXPECT_NEAR(fit.inverse(0, 0), 1 / s, 1e-13 / s);
        EXPECT_NEAR(LogLikelihood(studies, design, tau2, true), -(q - logs + std::log(s)) / 2,
                    1e-10 * std::fabs(logs));
        EXPECT_EQ(fit.residual[4999], studies[4999].yi - (*x)(4999, 0) * fit.beta[0]);
        EXPECT_NEAR(fit.hat[4000], (*x)(4000, 0) * (*x)(4000, 0) / (studies[4000].vi + tau2) / s,
                    1e-15);
    }
}

// A moderator in the quadrillions beside the intercept is independent of it, and fitted.
TEST(Regression, RankIsJudgedOnColumnsOfOneLength) {
    Design x(3, 2);
    x << 1, 1e15, 1, 4e15, 1, 9e15;
    const Model model = FitModel(kStudies, x, kNames, {Method::FE, meta::Test::Z, 0.95});
    // y = 0, 1, 3 on 1, 4, 9 (times 1e15): Sxx = 98/3, Sxy = 37/3, slope 37/98 per 1e15.
    EXPECT_NEAR(model.coefficients[1].estimate * 1e15, 37.0 / 98, 1e-12);
}

TEST(Regression, DependentColumnsAreNamed) {
    Design x(3, 3);
    x << 1, 0, 0, 1, 1, 2, 1, 2, 4; // the last is twice the second
    const std::vector<std::string> names = {"intercept", "dose", "double dose"};
    try {
        FitModel(kStudies, x, names, {Method::REML, meta::Test::Z, 0.95});
        FAIL() << "a rank-deficient design was fitted";
    } catch (const RankDeficient& e) {
        EXPECT_NE(std::string(e.what()).find("dose"), std::string::npos) << e.what();
    }
}

// Moderators that fit exactly leave Knapp and Hartung's factor 0: each coefficient has se 0 and
// t = Inf, and there is no covariance to test the moderators by (metafor reports no QM).
TEST(Regression, KnappHartungOnAnExactFit) {
    const std::vector<Study> onTheLine = {{0.5, 0.01}, {0.7, 0.02}, {0.9, 0.04}, {1.1, 0.05}};
    Design x(4, 2);
    x << 1, 1, 1, 2, 1, 3, 1, 4;
    const Model model =
        FitModel(onTheLine, x, kNames, {Method::REML, meta::Test::KnappHartung, 0.95});
    EXPECT_EQ(model.s2w, 0);
    EXPECT_NEAR(model.coefficients[1].estimate, 0.2, 1e-14);
    EXPECT_EQ(model.coefficients[1].se, 0);
    EXPECT_EQ(model.coefficients[1].p, 0);
    EXPECT_TRUE(std::isnan(model.qm));
    EXPECT_TRUE(std::isnan(model.qmP));
    EXPECT_EQ(model.qmDf2, 2);
}

// dat.bcg without its fourth trial, on absolute latitude and allocation, by ML: the likelihood
// peaks at tau^2 = 0.041 (log-likelihood -7.4037) and higher at the boundary (-7.2035), where
// metafor 3.8.1 settles (its printed coefficients below). The log relative risks are escalc's.
TEST(Regression, MaximumLikelihoodKeepsTheHigherOfTwoPeaks) {
    const std::vector<Study> bcg = {{-0.88931133392020545, 0.32558476500396133},
                                    {-1.5853886572014306, 0.19458112139814385},
                                    {-1.3480731482996933, 0.41536796536796539},
                                    {-0.21754732221129558, 0.051210172169630863},
                                    {-0.78611558581886398, 0.0069056184559087574},
                                    {-1.6208982235983918, 0.22301724757231517},
                                    {0.011952333523840508, 0.0039615792978177295},
                                    {-0.4694176487381494, 0.056434210463248966},
                                    {-1.3713448034727844, 0.07302479361302891},
                                    {-0.33935882833839059, 0.01241221397155972},
                                    {0.44591340057137874, 0.53250584520015276},
                                    {-0.017313948216879815, 0.071404659683986293}};
    const double latitude[] = {44, 55, 42, 13, 44, 19, 13, 27, 42, 18, 33, 33};
    const char* allocation = "rrraarrrssss"; // random, alternate, systematic
    Design x(12, 4);
    for (int i = 0; i < 12; ++i) {
        x.row(i) << 1, latitude[i], allocation[i] == 'r', allocation[i] == 's';
    }
    const std::vector<std::string> names = {"intercept", "ablat", "random", "systematic"};
    const Model model = FitModel(bcg, x, names, {Method::ML, meta::Test::Z, 0.95});
    EXPECT_EQ(model.tau2, 0);
    EXPECT_NEAR(model.coefficients[0].estimate, 0.38634345676, 1e-9);
    EXPECT_NEAR(model.coefficients[1].estimate, -0.02740567809, 1e-9);
    EXPECT_NEAR(model.coefficients[2].estimate, -0.06063720030, 1e-9);
    EXPECT_NEAR(model.coefficients[3].estimate, -0.16531467796, 1e-9);
    EXPECT_NEAR(model.qm, 72.44343444, 1e-6);
    EXPECT_GT(LogLikelihood(bcg, FitDesign(x), 0, false),
              LogLikelihood(bcg, FitDesign(x), 0.0411, false));
}

// Without a study the line passes through the other two: the deleted residual of the middle
// study is 1 - 1.5 = -0.5 over sqrt(v + Var(prediction)) = sqrt(1 + 1/2).
TEST(Regression, DeletedResidualByHand) {
    const Model model = FitModel(kStudies, Line(), kNames, {Method::FE, meta::Test::Z, 0.95});
    const std::vector<StudyInfluence> influence = Influence(kStudies, Line(), model, true);
    EXPECT_NEAR(influence[1].residual, -0.5 / std::sqrt(1.5), 1e-14);
    EXPECT_NEAR(influence[0].weight + influence[1].weight + influence[2].weight, 100, 1e-12);
    // Hat values of a line: 1/k + (x - xbar)^2 / Sxx.
    EXPECT_NEAR(influence[0].hat, 1.0 / 3 + 0.5, 1e-14);
    EXPECT_NEAR(influence[1].hat, 1.0 / 3, 1e-14);
}

} // namespace
} // namespace tavrel::meta
