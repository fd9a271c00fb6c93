#pragma once

#include "meta/fit/weighted_fit.h"

#include <span>

// The weighted fit on a design of one column c: the intercept alone, above all, which every
// pooling without moderators and each of its thousands of leave-one-out refits fits. It needs
// no decomposition: the fit is the weighted mean sum w c y / sum w c^2, the hat values
// w c^2 / sum w c^2, and every quantity of weighted_fit.h a sum over the studies, taken in one
// pass: each block of studies fitted on its own, then the blocks merged. The same quantities
// as the QR path, to rounding.
namespace tavrel::meta {

// The design's column, in place; null for the intercept, whose ones are then not read.
using Column = Eigen::Ref<const Eigen::VectorXd>;

// Each study's residual and hat value only where `perStudy` is true.
WeightedFit FitOneColumn(std::span<const Study> studies, const Column* c, double tau2,
                         bool perStudy);
double ResidualQOneColumn(std::span<const Study> studies, const Column* c, double tau2);
double LogLikelihoodOneColumn(std::span<const Study> studies, const Column* c, double tau2,
                              bool restricted);
UnweightedFit FitUnweightedOneColumn(std::span<const Study> studies, const Column* c);

} // namespace tavrel::meta
