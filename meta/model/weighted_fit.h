#pragma once

#include "meta/model/model_settings.h"

#include <Eigen/Dense>
#include <span>

namespace tavrel::meta {

// A design matrix: one row per study, one column per coefficient, the intercept first.
using Design = Eigen::MatrixXd;

// The weighted least-squares fit of the studies on a design with weights w = 1 / (vi + tau2),
// and what the estimators of tau^2 need of it. With P = W - W X (X'WX)^-1 X'W:
struct WeightedFit {
    Eigen::VectorXd beta;
    Eigen::MatrixXd inverse;  // (X'WX)^-1: the coefficients' variance before any scaling
    Eigen::VectorXd residual; // y - X beta
    Eigen::VectorXd hat;      // the diagonal of X (X'WX)^-1 X'W
    double q;                 // y'Py = sum w r^2: the generalized Q
    double residualSquares;   // y'PPy = sum (w r)^2
    double sumW;
    double sumW2;
    double traceP;
    double tracePP;
};

// Solved through the QR decomposition of W^1/2 X (Eigen's Householder QR), not through the
// normal equations, so that a design with columns on very different scales (years beside an
// intercept) keeps its digits. With H = Q Q' the symmetric hat matrix of W^1/2 X,
//   tr P = sum w (1 - h),  tr PP = sum w^2 - 2 sum w^2 h + ||Q'WQ||_F^2,
// each in O(k p^2) rather than with k x k matrices.
WeightedFit FitWeighted(std::span<const Study> studies, const Design& x, double tau2);

// The generalized Q alone, y'Py = sum w r^2, by the same decomposition without the hat
// matrix: what the root finders (Paule-Mandel, the Q-profile) evaluate many times.
double ResidualQ(std::span<const Study> studies, const Design& x, double tau2);

// The log-likelihood of the model with tau2, up to a constant: -1/2 (sum log(v + tau2) + y'Py),
// and for the restricted likelihood also -1/2 log |X'WX| (Viechtbauer 2005, eqs. 5 and 6), the
// determinant from the same decomposition's R.
double LogLikelihood(std::span<const Study> studies, const Design& x, double tau2, bool restricted);

// The unweighted fit: its residual sum of squares, and the sum of the variances times 1 - h
// (tr PV for Hedges's estimator).
struct UnweightedFit {
    double squares;
    double traceVarianceResidual;
};
UnweightedFit FitUnweighted(std::span<const Study> studies, const Design& x);

} // namespace tavrel::meta
