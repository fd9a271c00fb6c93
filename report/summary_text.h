#pragma once

#include "meta/diagnostics/subgroups.h"
#include "meta/model/model.h"
#include "table/measure/effect_measure.h"
#include "table/pooled_rows.h"

#include <span>
#include <string>

namespace tavrel::report {

// Numbers as a paper reports them, never cut: `decimals` fixed decimals, or more where fewer
// would leave a value below one with less than two significant digits ("0.050", "-0.00052"),
// in scientific notation from a million on ("1.87e+70") and below 1e-4 ("-5.2e-05"), zero
// without a sign, and Inf, -Inf and NaN as in every other output.
std::string Decimals(double value, int decimals);
std::string TwoDecimals(double value);
std::string PValue(double p);                      // "p < .001", "p = .034"
std::string IntervalText(double low, double high); // "[0.27, 0.55]"
// A level as a percentage with every digit it has: 0.95 -> "95", 0.9999999 -> "99.99999".
std::string Percent(double level);

// The model in words: "Random-effects model (REML)", "Fixed-effect model".
std::string ModelName(const meta::Model& pooled);
std::string ModelName(meta::Method method);

// The test of the pooled estimate: "z = 5.71, p < .001", "t(46) = 5.71, p < .001".
std::string OverallTest(const meta::Model& pooled);

// "τ² = 0.031 [0.012, 0.090], I² = 62.3% [40.1%, 81.0%], Q(46) = 121.90, p < .001"; without
// the Q-profile intervals where `withIntervals` is false.
std::string HeterogeneityLine(const meta::Model& pooled, bool withIntervals = true);

// An estimate and its interval under the measure's symbol, "g = 0.41 [0.27, 0.55]", and for a
// measure shown transformed also as the reader sees it: "log OR = -0.71 [-1.07, -0.36]
// (OR 0.49 [0.34, 0.70])".
std::string EstimateText(table::Measure measure, double estimate, double low, double high);

// The summary a reader of a paper expects, a few lines for standard error:
//   Random-effects model (REML), k = 47
//     g = 0.41 [0.27, 0.55], z = 5.71, p < .001
//     95% prediction interval [-0.12, 0.94]
//     τ² = 0.031, I² = 62.3%, Q(46) = 121.90, p < .001
// A fixed-effect model has no prediction interval. A measure shown transformed gives its
// estimate and prediction interval back-transformed too.
std::string SummaryText(const meta::Model& pooled, table::Measure measure = table::Measure::SMD);

// How many rows went in, why the others did not, and the summary, for standard error.
std::string PooledText(const table::PooledRows& rows, const meta::Model& pooled);

// "Test for subgroup differences: Q(2) = 3.21, p = .201", or why it is not computed.
std::string SubgroupTestText(const meta::SubgroupTest& differences);

// Each subgroup's estimate, interval and heterogeneity, the test for their differences and,
// where given, the test of the groups as a moderator.
std::string SubgroupText(std::span<const meta::Subgroup> subgroups,
                         const meta::SubgroupTest& differences,
                         const meta::Model* moderatorTest = nullptr,
                         table::Measure measure = table::Measure::SMD);

// The omnibus test of a meta-regression's moderators: "QM(2) = 8.12, p = .017", or under
// Knapp and Hartung "F(2, 37) = 4.06, p = .025".
std::string ModeratorTest(const meta::Model& model);

// A meta-regression for standard error: the rows in it, how categorical moderators were read
// (`notes`), each coefficient, the test of the moderators, the residual heterogeneity and R^2.
std::string RegressionText(const table::PooledRows& rows, const meta::Model& model,
                           std::span<const std::string> notes);

} // namespace tavrel::report
