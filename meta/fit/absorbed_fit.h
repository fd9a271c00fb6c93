#pragma once

#include "meta/fit/fit_design.h"
#include "meta/fit/weighted_fit.h"

#include <span>

// The weighted fit on a design whose factor is absorbed (FitDesign): every level's weighted
// mean taken out of the studies and of the other columns, those decomposed by Householder QR,
// and each level's coefficient its mean less the other columns' part. The hat value is the
// level's share of weight plus the centred columns' own: H is the sum of the two orthogonal
// projections, so tr P and tr PP follow from per-level sums. Every level must have a study.
namespace tavrel::meta {

// With weights 1 / (v + tau2), or 1 where `weighted` is false; the coefficients' covariance
// (X'WX)^-1 in the design's own columns only where `covariance` is true (p x p: a model's
// last fit needs it, a refit does not), each study's residual and hat value only where
// `perStudy` is.
WeightedFit FitAbsorbed(std::span<const Study> studies, const FitDesign& design, double tau2,
                        bool weighted, bool covariance, bool perStudy);

// x (X'WX)^-1 x' for a row x of the design, from the fit's parts: 1 / W_l plus the centred
// columns' quadratic form.
double AbsorbedPredictionVariance(const FitDesign& design, const WeightedFit& fit,
                                  const Eigen::RowVectorXd& x);

} // namespace tavrel::meta
