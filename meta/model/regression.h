#pragma once

#include "meta/model/model_settings.h"
#include "meta/model/weighted_fit.h"

#include <Eigen/Dense>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::meta {

// One coefficient of a meta-regression, with its test and interval.
struct Coefficient {
    std::string name;
    double estimate;
    double se;
    double statistic; // z, or t with k - p degrees of freedom
    double p;
    double ciLow, ciHigh;
};

// A mixed-effects meta-regression, as metafor's rma(yi, vi, mods = ..., method, test) gives it
// (Viechtbauer 2005; Raudenbush 2009, in The Handbook of Research Synthesis, ch. 16). Values
// that do not exist are NaN.
struct Regression {
    Method method;
    Test test;
    double level;
    std::size_t k;
    std::vector<Coefficient> coefficients; // the intercept first
    Eigen::VectorXd beta;
    Eigen::MatrixXd vb; // the coefficients' covariance, Knapp-Hartung's factor included
    double s2w;         // Knapp and Hartung's factor; 1 under the z test
    double tau2, tau;   // the residual heterogeneity
    double i2, h2;      // of the residual heterogeneity, percent and ratio
    double qe, qeDf, qeP;
    // The omnibus test of every coefficient but the intercept: chi-square with qmDf degrees of
    // freedom, or under Knapp and Hartung F with (qmDf, qmDf2).
    double qm, qmDf, qmDf2, qmP;
    double r2; // percent of tau^2 accounted for (metafor's R2); for FE its adjusted R^2
    // The Q-profile intervals of the residual heterogeneity; NaN for FE and where not found.
    double tau2CiLow, tau2CiHigh;
    double tauCiLow, tauCiHigh;
    double i2CiLow, i2CiHigh;
    double h2CiLow, h2CiHigh;
    int iterations;
};

// The design's columns are not linearly independent; the message names those that depend on
// the others.
class RankDeficient : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What a fit computes beyond the coefficients and tau^2: R^2 (one more fit without the
// moderators) and the Q-profile intervals. Refits for influence skip them.
enum class RegressionExtras { All, None };

// Fits the studies on a design whose first column is the intercept, with more rows than
// columns (as many for a model without tau^2). `names` names the columns. Throws RankDeficient,
// std::invalid_argument for too few rows, and NotConverged where the likelihood has no maximum
// a double can hold.
Regression FitRegression(std::span<const Study> studies, const Design& x,
                         std::span<const std::string> names, const ModelSettings& settings,
                         RegressionExtras extras = RegressionExtras::All);

} // namespace tavrel::meta
