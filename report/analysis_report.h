#pragma once

#include "analysis/analysis.h"
#include "table/pooled_rows.h"

#include <string>

namespace tavrel::report {

// The summary as JSON, whichever model the analysis fitted.
std::string SummaryJson(const analysis::Analysis& analysis, const table::PooledRows& rows);

// What a reader is told of the analysis, as standard error shows it: the rows pooled and left
// out, the model in a paper's words, the subgroups and the tests of small-study effects (or,
// for a meta-regression, its coefficients and tests).
std::string AnalysisText(const analysis::Analysis& analysis, const table::PooledRows& rows);

} // namespace tavrel::report
