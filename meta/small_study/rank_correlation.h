#pragma once

#include "meta/model/model_settings.h"

#include <cstddef>
#include <span>

namespace tavrel::meta {

// Kendall's rank correlation and its two-sided test, as R's cor.test(method = "kendall").
struct RankCorrelation {
    double tau; // tau-b, which allows for ties; NaN where either variable is all one value
    double p;
    bool exact; // the exact null distribution; otherwise the normal one, corrected for ties
};

// Below this many pairs without ties, the p value is exact; from it on, the normal
// approximation is within the test's own accuracy, and the exact one costs O(n^3).
inline constexpr std::size_t kFewestForNormalRankTest = 50;

// O(n log n) by Knight's merge sort (Knight 1966, J Am Stat Assoc 61:436); `x` and `y` have
// the same length, at least 2.
RankCorrelation KendallTau(std::span<const double> x, std::span<const double> y);

// Begg and Mazumdar's rank correlation test for funnel-plot asymmetry (Begg and Mazumdar 1994,
// Biometrics 50:1088), as metafor's ranktest(): each study's deviation from the fixed-effect
// estimate, standardized by its variance less the estimate's, correlated with its variance.
// Needs 2 studies.
RankCorrelation RankTest(std::span<const Study> studies);

} // namespace tavrel::meta
