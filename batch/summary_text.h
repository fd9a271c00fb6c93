#pragma once

#include "meta/pooling.h"

#include <string>

namespace tavrel::batch {

// Numbers as a paper reports them: estimates to two decimals, p without a leading zero and
// "< .001" below that.
std::string TwoDecimals(double value);
std::string PValue(double p);                  // "p < .001", "p = .034"
std::string Interval(double low, double high); // "[0.27, 0.55]"

// The model in words: "Random-effects model (REML)", "Fixed-effect model".
std::string ModelName(const meta::Pooled& pooled);

// "τ² = 0.031, I² = 62.3%, Q(46) = 121.90, p < .001"
std::string HeterogeneityLine(const meta::Pooled& pooled);

// The summary a reader of a paper expects, a few lines for standard error:
//   Random-effects model (REML), k = 47
//     g = 0.41 [0.27, 0.55], z = 5.71, p < .001
//     95% prediction interval [-0.12, 0.94]
//     τ² = 0.031, I² = 62.3%, Q(46) = 121.90, p < .001
std::string SummaryText(const meta::Pooled& pooled);

} // namespace tavrel::batch
