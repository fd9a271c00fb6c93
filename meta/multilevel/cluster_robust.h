#pragma once

#include "meta/model/model.h"
#include "meta/multilevel/level_fit.h"

#include <span>
#include <string>

namespace tavrel::meta {

// Cluster-robust inference on the coefficients of a model whose marginal covariance is
// diag(vi) + within I + between Z Z' (a two-level model: between 0, within tau^2), weighted by
// its inverse, as metafor's robust(model, cluster, clubSandwich = TRUE) gives it (Pustejovsky &
// Tipton 2018, Journal of Business & Economic Statistics 36, 672-683; clubSandwich's vcovCR,
// coef_test and conf_int). The bias-reduced CR2 sandwich
//   V = M [sum_c X_c' W_c A_c e_c e_c' A_c W_c X_c] M,   M = (X'WX)^-1,
//   A_c = F' (F (V_c - X_c M X_c') F')^-1/2 F,           V_c = F'F,
// with the inverse square root of the eigenvalues above 1e-12 (the others 0), and for each
// coefficient t with Satterthwaite's degrees of freedom (tr P)^2 / ||P||_F^2 from the m x m
// matrix P that clubSandwich forms, here from its diagonal and low-rank parts in O(m p^2);
// with moderators, the HTZ test of all but the intercept (Wald_test, as metafor's QM).
// Each cluster's block is formed, at a cost of its size cubed: a cluster of more than
// kMostRobustClusterRows rows is refused, as are fewer than two clusters (std::invalid_argument).
inline constexpr Eigen::Index kMostRobustClusterRows = 1000;
RobustInference ClusterRobust(std::span<const Study> studies,
                              std::span<const std::string> clusterOf, const Design& x,
                              std::span<const std::string> names, Components components,
                              double level);

} // namespace tavrel::meta
