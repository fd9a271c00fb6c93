#pragma once

#include "meta/pooling.h"

#include <cstddef>
#include <string>

namespace tavrel::report {

// The pooled result as one JSON object with the keys method, test, level, k, k_left_out,
// estimate, se, statistic, p, ci_low, ci_high, tau2, tau, i2 (percent), h2, q, q_df, q_p,
// pi_low, pi_high: numbers at full precision (the shortest text that reads back to the same
// double), null where a value does not exist.
std::string SummaryJson(const meta::Pooled& pooled, std::size_t leftOut);

} // namespace tavrel::report
