#pragma once

#include "meta/fit/weighted_fit.h"
#include "meta/model/design_rank.h"
#include "meta/model/model_settings.h"

#include <Eigen/Dense>
#include <cstddef>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::meta {

// One coefficient of a model, with its test and interval.
struct Coefficient {
    std::string name;
    double estimate;
    double se;
    double statistic; // z, or t with k - p degrees of freedom
    double p;
    double ciLow, ciHigh;
};

// Of a model of rows nested in clusters (three levels: sampling error, rows within a cluster,
// clusters), the two variance components with their profile-likelihood intervals, and the
// share of the total variance each accounts for (metafor's "I^2 for multilevel models":
// sigma^2 / (sum of sigma^2 + the typical within-study variance)).
struct LevelComponents {
    std::size_t clusters;
    double sigma2Between, sigma2Within;
    double sigma2BetweenCiLow, sigma2BetweenCiHigh;
    double sigma2WithinCiLow, sigma2WithinCiHigh;
    double i2Between, i2Within;
};

// Cluster-robust inference on the coefficients: the CR2 sandwich and Satterthwaite's degrees of
// freedom for each (Pustejovsky & Tipton 2018; clubSandwich's coef_test), and the omnibus test
// of the moderators by the HTZ test (Wald_test), NaN without moderators.
struct RobustInference {
    std::size_t clusters;
    std::vector<Coefficient> coefficients; // each with the robust se, t and interval
    std::vector<double> df;
    double qm, qmDf, qmDf2, qmP;
};

// A fixed- or random-effects model of the studies on a design, as metafor's rma(yi, vi,
// mods, method, test) gives it (Viechtbauer 2005; Raudenbush 2009, in The Handbook of Research
// Synthesis, ch. 16). A model without moderators is the intercept alone, whose coefficient is
// the pooled estimate. Values that do not exist are NaN.
struct Model {
    ModelSettings settings;
    std::size_t k;
    std::vector<Coefficient> coefficients; // the intercept first
    Eigen::VectorXd beta;
    Eigen::MatrixXd vb; // the coefficients' covariance, Knapp-Hartung's factor included
    double s2w;         // Knapp and Hartung's factor; 1 under the z test
    double weightSum;   // the sum of the model's weights 1 / (vi + tau2)
    double tau2, tau;   // the (residual) heterogeneity
    double i2, h2;      // of that heterogeneity, percent and ratio
    // The test of the heterogeneity left: Cochran's Q by the weights 1 / vi, k - p df.
    double qe, qeDf, qeP;
    // The omnibus test of every coefficient but the intercept: chi-square with qmDf degrees of
    // freedom, or under Knapp and Hartung F with (qmDf, qmDf2). NaN without moderators.
    double qm, qmDf, qmDf2, qmP;
    double r2; // percent of tau^2 accounted for (metafor's R2); for FE its adjusted R^2
    // Where a new study's effect is expected (predict()): of a model without moderators only;
    // for FE the confidence interval.
    double piLow, piHigh;
    // The Q-profile intervals of the heterogeneity; NaN for FE and where not found.
    double tau2CiLow, tau2CiHigh;
    double tauCiLow, tauCiHigh;
    double i2CiLow, i2CiHigh;
    double h2CiLow, h2CiHigh;
    int iterations; // the likelihood's scoring steps and root-finder evaluations; 0 for others
    // Of a three-level model: tau2 is then the sum of the components, i2 the share of both,
    // h2 and the Q-profile intervals NaN, and each row's weight diag(V^-1) in percent.
    std::optional<LevelComponents> levels;
    std::vector<double> rowWeights;
    std::optional<RobustInference> robust; // where asked for

    bool HasModerators() const { return coefficients.size() > 1; }
    // A model without moderators: the pooled estimate.
    const Coefficient& Pooled() const { return coefficients.front(); }
};

// What a fit computes beyond the coefficients and tau^2: R^2 (one more estimate of tau^2
// without the moderators) and the Q-profile intervals. Refits skip them.
enum class ModelExtras { All, None };

// A design of the intercept alone, for k studies, and its column's name.
Design InterceptOnly(std::size_t k);
inline const std::string kInterceptName = "intercept";

// Fits the studies on a design whose first column is the intercept, with more rows than
// columns (as many will do for a model without tau^2: one study gives itself). `names` names
// the columns. The studies are fitted on a scale where the largest variance is near 1, which
// changes no digit and keeps the weights within a double's range. Throws RankDeficient,
// std::invalid_argument for too few rows, and NotConverged where the likelihood has no maximum
// a double can hold.
Model FitModel(std::span<const Study> studies, const Design& x, std::span<const std::string> names,
               const ModelSettings& settings, ModelExtras extras = ModelExtras::All);

// The model without moderators: the studies pooled.
Model FitModel(std::span<const Study> studies, const ModelSettings& settings,
               ModelExtras extras = ModelExtras::All);

// The step every fit shares: tau^2 estimated, the coefficients fitted at it, and Knapp and
// Hartung's factor (1 under z), on studies scaled to unit variance (`scaleExponent`), as a
// refit without one study needs them; without the tests, intervals and (X'WX)^-1.
struct CoefficientFit {
    WeightedFit fit; // on the scaled studies
    double tau2;     // on the scaled studies
    int iterations;
    double s2w;
    int scaleExponent;

    // On the studies' own scale: the coefficients, tau^2, and x (X'WX)^-1 x' for a row x of
    // the design or one left out of it.
    Eigen::VectorXd Beta() const;
    double Tau2() const;
    double PredictionVarianceAt(const FitDesign& design, const Eigen::RowVectorXd& x) const;
};

// The studies fitted on a design the caller knows to be fittable (a refit without one study).
// Throws NotConverged where the likelihood has no maximum a double can hold.
CoefficientFit FitCoefficients(std::span<const Study> studies, const FitDesign& design,
                               const ModelSettings& settings);

// A study's share of the model's total weight, in percent; `index` is its place among the
// pooled studies.
double WeightPercent(const Model& model, std::size_t index, const Study& study);

} // namespace tavrel::meta
