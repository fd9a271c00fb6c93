#pragma once

#include "meta/model/likelihood.h"
#include "meta/multilevel/clustered_studies.h"

#include <Eigen/Dense>

namespace tavrel::meta {

// The variance components of the three-level model (rows nested in clusters): sigma^2 between
// clusters, shared by a cluster's rows, and sigma^2 within clusters, each row's own. Index 0 is
// the first, 1 the second, in the vectors below.
struct Components {
    double between;
    double within;

    double operator[](int component) const { return component == 0 ? between : within; }
    double& operator[](int component) { return component == 0 ? between : within; }
};

// The generalized least-squares fit of the arranged studies with the marginal covariance
// V = diag(vi) + sigma^2_within I + sigma^2_between Z Z' (Z the clusters' indicators), and
// its likelihood. With P = W - W X (X'WX)^-1 X'W, W = V^-1:
struct LevelFit {
    Eigen::VectorXd beta;
    Eigen::MatrixXd inverse; // (X'WX)^-1
    double q;                // y'Py
    double logLikelihood;    // restricted or full, up to a constant
    // Twice the derivatives of the log-likelihood by each component: y'P Vj P y - tr(P Vj)
    // (tr(W Vj) for the full likelihood), Vj = Z Z' or I.
    Eigen::Vector2d score;
    // Twice the expected information, tr(P Vj P Vl) (W for the full likelihood), and twice the
    // observed one, 2 y'P Vj P Vl P y minus that.
    Eigen::Matrix2d expected;
    Eigen::Matrix2d observed;
    // Each row's weight diag(W), in the arranged order.
    Eigen::VectorXd diagonalWeight;
};

// Every block of V is the diagonal D = diag(vi + sigma^2_within) plus sigma^2_between 1 1',
// whose inverse and determinant have closed forms (Sherman-Morrison), and whose inverse factors
// as W = B'B with B = (I - a u u') D^-1/2, u = D^-1/2 1. The fit whitens the studies by B and
// decomposes B X by Householder's QR: each evaluation costs O(k p^2), and no k x k matrix, not
// even one cluster's block, is ever formed. The derivatives follow Searle, Casella and McCulloch
// (1992, Variance Components, ch. 6), each trace reduced to sums over the clusters.
enum class LevelParts { Likelihood, Derivatives };
LevelFit FitLevels(const ClusteredStudies& studies, Components components, Likelihood likelihood,
                   LevelParts parts = LevelParts::Derivatives);

} // namespace tavrel::meta
