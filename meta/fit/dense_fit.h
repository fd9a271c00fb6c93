#pragma once

#include "meta/fit/fit_design.h"
#include "meta/fit/weighted_fit.h"

#include <span>

// The weighted fit on a design of a few columns, none of them absorbed: W^1/2 [X y] brought to
// triangular form a block of rows at a time (a tall-skinny Householder QR: each block
// decomposed beneath the triangle so far), then one more pass for the residuals and hat
// values. Only a block of rows and the p x p triangle are held, so a million studies cost no
// temporary matrices of a million rows: the fits of the small-study tests make dozens of them.
namespace tavrel::meta {

// Each study's residual and hat value only where `perStudy` is true.
WeightedFit FitDense(std::span<const Study> studies, const Design& x, double tau2, bool perStudy);
double ResidualQDense(std::span<const Study> studies, const Design& x, double tau2);
double LogLikelihoodDense(std::span<const Study> studies, const Design& x, double tau2,
                          bool restricted);
UnweightedFit FitUnweightedDense(std::span<const Study> studies, const Design& x);

} // namespace tavrel::meta
