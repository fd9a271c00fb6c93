#pragma once

#include "meta/model/model.h"
#include "table/measure/effect_measure.h"

#include <string>

namespace tavrel::report {

// What a three-level model and cluster-robust tests add to the summary in a paper's words.

// The components of a three-level model, their profile-likelihood intervals where
// `withIntervals`, their shares of the variance, and the Q test named `q`: "σ² between
// clusters = 0.065 [0.022, 0.207], σ² within = 0.033 [0.016, 0.063], I² = 95.2% (63.3%
// between, 31.9% within), Q(55) = 578.86, p < .001".
std::string LevelsHeterogeneity(const meta::Model& model, const std::string& q, bool withIntervals);

// The cluster-robust tests of the model's coefficients, where it has them: a heading and a line
// each, "g = 0.18 [-0.0037, 0.37], se = 0.084, t(9.86) = 2.19, p = .054", and with moderators
// their HTZ test; empty without.
std::string RobustText(const meta::Model& model, table::Measure measure);

} // namespace tavrel::report
