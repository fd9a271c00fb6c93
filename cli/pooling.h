#pragma once

#include "cli/options.h"
#include "meta/pooling.h"
#include "meta/regression.h"
#include "meta/subgroups.h"
#include "table/moderators.h"
#include "table/pooled_rows.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tavrel::cli {

// Forest plots of more studies than this cannot be read any more; they are refused.
inline constexpr std::size_t kMostStudiesInAPlot = 250;

// The meta-analysis of the rows, once they are all read. Throws RunError where it cannot be
// had as asked: fewer than two rows to pool (the message counts the rows left out by why), a
// plot of too many studies, a REML score with no root.
meta::Pooled PoolRows(const Options& options, const table::PooledRows& rows);

// Each subgroup of --by pooled on its own, in the order the groups are first seen.
std::vector<meta::Subgroup> PoolSubgroups(const Options& options, const table::PooledRows& rows);

// The groups of --by as a moderator, under one tau^2 (the mixed-effects test of their
// differences); none where there is one group only.
std::optional<meta::Regression> GroupModeratorTest(const Options& options,
                                                   const table::PooledRows& rows);

// The meta-regression of --mods. Throws RunError where it cannot be fitted: too few rows, a
// moderator with one value, a rank-deficient design, a likelihood without a maximum.
struct FittedRegression {
    meta::Regression model;
    std::vector<std::string> notes; // how categorical moderators were read
};
FittedRegression FitModerators(const Options& options, const table::PooledRows& rows);

} // namespace tavrel::cli
