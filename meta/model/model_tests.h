#pragma once

#include "meta/model/model.h"

#include <span>
#include <string>

namespace tavrel::meta {

// The tests every model's coefficients get from its beta and vb: each coefficient's z, or under
// Knapp and Hartung (and a three-level model's t) t with `residualDf` = k - p degrees of
// freedom, with its interval; and the omnibus test of the moderators (chi-square, or F).
void TestCoefficients(Model& model, std::span<const std::string> names, double residualDf);

// The heterogeneity left by the model: Cochran's Q of the fixed-effect fit (`fixed`), I^2 and H^2
// of tau2 with the typical within-study variance (k - p) / tr P.
void TestHeterogeneity(Model& model, const WeightedFit& fixed, double residualDf);

// Where a new study's effect is expected: the estimate's variance plus the model's whole
// heterogeneity (tau^2, or the sum of the components), with the test's critical value
// (predict() of a model without moderators).
void AddPredictionInterval(Model& model, double residualDf);

} // namespace tavrel::meta
