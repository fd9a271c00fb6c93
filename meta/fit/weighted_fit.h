#pragma once

#include "meta/fit/fit_design.h"
#include "meta/study/study.h"

#include <Eigen/Dense>
#include <span>

namespace tavrel::meta {

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
    // Of a fit that absorbed a factor: each level's weight and the other columns' weighted
    // means in it (levels x q), and the centred columns' (Z'WZ)^-1.
    Eigen::VectorXd levelWeights;
    Eigen::MatrixXd levelMeans;
    Eigen::MatrixXd denseInverse;
};

// Solved through the QR decomposition of W^1/2 X (Householder's, a block of rows at a time), not
// through the normal equations, so that a design with columns on very different scales (years
// beside an intercept) keeps its digits. With H = Q Q' the symmetric hat matrix of W^1/2 X,
//   tr P = sum w (1 - h),  tr PP = sum w^2 - 2 sum w^2 h + ||Q'WQ||_F^2,
// each in O(k p^2) rather than with k x k matrices.
// What a caller needs of the fit: the sums (tr P, tr PP, ...), the coefficients and what
// PredictionVariance needs, as the estimators of tau^2 and the refits do; also (X'WX)^-1
// whatever the design's size; and also each study's residual and hat value. A million
// studies' vectors are made only where they are used.
enum class FitParts { Sums, Covariance, Everything };
WeightedFit FitWeighted(std::span<const Study> studies, const FitDesign& x, double tau2,
                        FitParts parts = FitParts::Everything);
WeightedFit FitWeighted(std::span<const Study> studies, const Design& x, double tau2);

// The generalized Q alone, y'Py = sum w r^2, by the same decomposition without the hat
// matrix: what the root finders (Paule-Mandel, the Q-profile) evaluate many times.
double ResidualQ(std::span<const Study> studies, const FitDesign& x, double tau2);

// The log-likelihood of the model with tau2, up to a constant: -1/2 (sum log(v + tau2) + y'Py),
// and for the restricted likelihood also -1/2 log |X'WX| (Viechtbauer 2005, eqs. 5 and 6), the
// determinant from the same decomposition's R.
double LogLikelihood(std::span<const Study> studies, const FitDesign& x, double tau2,
                     bool restricted);

// The unweighted fit: its residual sum of squares, and the sum of the variances times 1 - h
// (tr PV for Hedges's estimator).
struct UnweightedFit {
    double squares;
    double traceVarianceResidual;
};
UnweightedFit FitUnweighted(std::span<const Study> studies, const FitDesign& x);

// x (X'WX)^-1 x' for a row x of the design (or a row left out of it), by the fit's inverse or
// its absorbed parts: the variance of the prediction at x, before Knapp and Hartung's factor.
double PredictionVariance(const FitDesign& design, const WeightedFit& fit,
                          const Eigen::RowVectorXd& x);

} // namespace tavrel::meta
