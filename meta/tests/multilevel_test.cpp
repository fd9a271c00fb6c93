// The three-level model and the cluster-robust variance on designs whose answers are known in
// closed form: a balanced design, where REML and ML are the ANOVA estimators (Searle, Casella
// and McCulloch 1992, ch. 3-4), with a component at 0 where those fall below it; and the CR2
// sandwich of a two-cluster table worked by hand.
#include "meta/multilevel/cluster_robust.h"
#include "meta/multilevel/multilevel_model.h"

#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::meta {
namespace {

// m clusters of n rows, every row with the sampling variance v.
struct Balanced {
    std::vector<Study> studies;
    std::vector<std::string> clusters;
    double v;
    int m, n;

    // The ANOVA's mean squares within and between clusters, and the grand mean.
    double MeanSquareWithin() const { return Within() / (m * (n - 1)); }
    double MeanSquareBetween() const { return n * Between() / (m - 1); }
    double Mean() const {
        double sum = 0;
        for (const Study& s : studies) {
            sum += s.yi;
        }
        return sum / (m * n);
    }
    double ClusterMean(int c) const {
        double sum = 0;
        for (int j = 0; j < n; ++j) {
            sum += studies[static_cast<std::size_t>(c * n + j)].yi;
        }
        return sum / n;
    }
    double Within() const {
        double squares = 0;
        for (int c = 0; c < m; ++c) {
            for (int j = 0; j < n; ++j) {
                const double r = studies[static_cast<std::size_t>(c * n + j)].yi - ClusterMean(c);
                squares += r * r;
            }
        }
        return squares;
    }
    double Between() const {
        double squares = 0;
        for (int c = 0; c < m; ++c) {
            squares += (ClusterMean(c) - Mean()) * (ClusterMean(c) - Mean());
        }
        return squares;
    }
};

// Effects spread between and within clusters; `spreadBetween` and `spreadWithin` scale the
// clusters' shifts and the rows' deviations.
Balanced MakeBalanced(double spreadBetween, double spreadWithin = 1) {
    Balanced b{{}, {}, 0.04, 6, 4};
    const double shifts[] = {0.3, -0.4, 0.1, 0.5, -0.2, -0.3};
    const double within[] = {0.35, -0.3, 0.1, -0.15};
    for (int c = 0; c < b.m; ++c) {
        for (int j = 0; j < b.n; ++j) {
            const double y = 0.2 + spreadBetween * shifts[c] +
                             spreadWithin * within[(j + c) % b.n] * (1 + c % 2);
            b.studies.push_back({y, b.v});
            b.clusters.push_back("study " + std::to_string(c));
        }
    }
    return b;
}

Model Fit(const Balanced& b, Method method) {
    return FitMultilevel(b.studies, b.clusters, InterceptOnly(b.studies.size()),
                         std::span(&kInterceptName, 1), {method, meta::Test::Z, 0.95});
}

TEST(ThreeLevelModel, BalancedDesignGivesTheAnovaEstimates) {
    const Balanced b = MakeBalanced(1);
    ASSERT_GT(b.MeanSquareWithin(), b.v);
    ASSERT_GT(b.MeanSquareBetween(), b.MeanSquareWithin());
    const Model reml = Fit(b, Method::REML);
    ASSERT_TRUE(reml.levels);
    EXPECT_NEAR(reml.levels->sigma2Within, b.MeanSquareWithin() - b.v, 1e-10);
    EXPECT_NEAR(reml.levels->sigma2Between, (b.MeanSquareBetween() - b.MeanSquareWithin()) / b.n,
                1e-10);
    EXPECT_NEAR(reml.Pooled().estimate, b.Mean(), 1e-12);
    // Balanced: the mean's variance is MSB / (m n), by REML's estimates.
    EXPECT_NEAR(reml.Pooled().se, std::sqrt(b.MeanSquareBetween() / (b.m * b.n)), 1e-10);
    EXPECT_EQ(reml.levels->clusters, 6U);

    // ML divides the clusters' squares by m rather than m - 1.
    const Model ml = Fit(b, Method::ML);
    EXPECT_NEAR(ml.levels->sigma2Within, b.MeanSquareWithin() - b.v, 1e-10);
    EXPECT_NEAR(ml.levels->sigma2Between, (b.n * b.Between() / b.m - b.MeanSquareWithin()) / b.n,
                1e-10);
}

TEST(ThreeLevelModel, ClustersAlikeHoldTheBetweenComponentAtZero) {
    // Shifts too small for the clusters to differ more than their rows do: MSB < MSW, and the
    // maximum lies on the boundary, where the model is the two-level one with tau^2 = s^2 - v.
    const Balanced b = MakeBalanced(0.01);
    ASSERT_LT(b.MeanSquareBetween(), b.MeanSquareWithin());
    const Model reml = Fit(b, Method::REML);
    EXPECT_EQ(reml.levels->sigma2Between, 0);
    const double total = (b.Within() + b.n * b.Between()) / (b.m * b.n - 1);
    EXPECT_NEAR(reml.levels->sigma2Within, total - b.v, 1e-10);
    EXPECT_EQ(reml.levels->i2Between, 0);
    EXPECT_EQ(reml.levels->sigma2BetweenCiLow, 0);
}

TEST(ThreeLevelModel, RowsAlikeHoldTheWithinComponentAtZero) {
    // Rows of a cluster closer than their sampling variance allows: MSW < v. The likelihood's
    // within part peaks at 0, and its between part, of the cluster means alone, at
    // sigma^2 between = (MSB - v) / n.
    const Balanced b = MakeBalanced(1, 0.1);
    ASSERT_LT(b.MeanSquareWithin(), b.v);
    ASSERT_GT(b.MeanSquareBetween(), b.v);
    const Model reml = Fit(b, Method::REML);
    EXPECT_EQ(reml.levels->sigma2Within, 0);
    EXPECT_NEAR(reml.levels->sigma2Between, (b.MeanSquareBetween() - b.v) / b.n, 1e-10);
    EXPECT_EQ(reml.levels->sigma2WithinCiLow, 0);
}

TEST(ThreeLevelModel, ClusterShapesTheUsualModelCannotHave) {
    Balanced b = MakeBalanced(1);
    // A cluster a row: the usual model, and a note saying so.
    std::vector<std::string> own;
    for (std::size_t i = 0; i < b.studies.size(); ++i) {
        own.push_back(std::to_string(i));
    }
    std::string note;
    const Model single = FitClustered(b.studies, own, InterceptOnly(b.studies.size()),
                                      std::span(&kInterceptName, 1), {}, note);
    EXPECT_FALSE(single.levels);
    EXPECT_NE(note.find("one row"), std::string::npos);
    EXPECT_DOUBLE_EQ(single.tau2, FitModel(b.studies, {}).tau2);
    // One cluster: no variance between clusters to estimate.
    const std::vector<std::string> one(b.studies.size(), "all");
    EXPECT_THROW(FitMultilevel(b.studies, one, InterceptOnly(b.studies.size()),
                               std::span(&kInterceptName, 1), {}),
                 std::invalid_argument);
    // A method without a likelihood cannot fit the components.
    EXPECT_THROW(FitMultilevel(b.studies, b.clusters, InterceptOnly(b.studies.size()),
                               std::span(&kInterceptName, 1), {Method::DL, meta::Test::Z, 0.95}),
                 std::invalid_argument);
}

TEST(ThreeLevelModel, RowsOfAClusterNeedNotStandTogether) {
    Balanced b = MakeBalanced(1);
    const Model together = Fit(b, Method::REML);
    // The same rows interleaved: cluster by cluster is a matter of the text, not the place.
    Balanced mixed = b;
    for (std::size_t i = 0; i < b.studies.size(); ++i) {
        const std::size_t from = (i % 6) * 4 + i / 6;
        mixed.studies[i] = b.studies[from];
        mixed.clusters[i] = b.clusters[from];
    }
    const Model interleaved = Fit(mixed, Method::REML);
    EXPECT_NEAR(interleaved.levels->sigma2Between, together.levels->sigma2Between, 1e-12);
    EXPECT_NEAR(interleaved.levels->sigma2Within, together.levels->sigma2Within, 1e-12);
    EXPECT_NEAR(interleaved.Pooled().estimate, together.Pooled().estimate, 1e-14);
    EXPECT_NEAR(interleaved.rowWeights[0], together.rowWeights[0], 1e-12);
    EXPECT_NEAR(interleaved.rowWeights[1], together.rowWeights[4], 1e-12);
}

// Two clusters, weights all 1: cluster A of rows 0 and 0, cluster B of one row 3. The mean is
// 1 with M = 1/3; A's adjustment is sqrt(3) along 1 (G = I - J/3 has eigenvalue 1/3 there),
// B's sqrt(3/2), so the meat is 3 (r_A1 + r_A2)^2 + 3/2 r_B^2 = 4.5 * 4 and the sandwich
// M^2 * 18 = 2. Satterthwaite's P is [[2/9, -sqrt2/9], [-sqrt2/9, 1/9]]: tr P = 1/3,
// ||P||^2 = 1/9, and df = 1.
TEST(ClusterRobust, TwoClustersWorkedByHand) {
    const std::vector<Study> studies = {{0, 1}, {0, 1}, {3, 1}};
    const std::vector<std::string> clusters = {"A", "A", "B"};
    const std::string name = "intercept";
    const RobustInference robust =
        ClusterRobust(studies, clusters, InterceptOnly(3), std::span(&name, 1), {0, 0}, 0.95);
    ASSERT_EQ(robust.coefficients.size(), 1U);
    EXPECT_NEAR(robust.coefficients[0].estimate, 1, 1e-15);
    EXPECT_NEAR(robust.coefficients[0].se, std::sqrt(2.0), 1e-14);
    EXPECT_NEAR(robust.df[0], 1, 1e-13);
    EXPECT_EQ(robust.clusters, 2U);
    // t with 1 df: the interval's half-width is 12.706 se.
    EXPECT_NEAR(robust.coefficients[0].ciHigh - 1, 12.706204736174707 * std::sqrt(2.0), 1e-10);
    EXPECT_THROW(ClusterRobust(studies, std::vector<std::string>(3, "A"), InterceptOnly(3),
                               std::span(&name, 1), {0, 0}, 0.95),
                 std::invalid_argument);
    // A cluster too large to adjust in reasonable time is refused, not left to run for minutes.
    const std::vector<Study> many(kMostRobustClusterRows + 2, Study{0.1, 0.05});
    std::vector<std::string> big(many.size(), "big");
    big.back() = "small";
    EXPECT_THROW(
        ClusterRobust(many, big, InterceptOnly(many.size()), std::span(&name, 1), {0, 0}, 0.95),
        std::invalid_argument);
}

} // namespace
} // namespace tavrel::meta
