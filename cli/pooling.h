#pragma once

#include "cli/options.h"
#include "cli/progress.h"
#include "meta/influence.h"
#include "meta/pooling.h"
#include "meta/regression.h"
#include "meta/subgroups.h"
#include "table/moderators.h"
#include "table/pooled_rows.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <optional>
#include <string_view>
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
    table::ModeratorDesign design;
};
FittedRegression FitModerators(const Options& options, const table::PooledRows& rows);

// The columns each pooled row gains: its weight, studentized deleted residual, hat value and
// Cook's distance under the fitted model.
inline constexpr std::array<std::string_view, 4> kInfluenceColumns = {"weight", "residual", "hat",
                                                                      "cooks_distance"};

// A table of more rows is written as it is read, those columns empty: held in memory until
// the model is fitted, a million rows would cost several times the run (about 400 MB, and
// the copying). The studies of a meta-analysis are far fewer.
inline constexpr std::size_t kMostRowsHeld = 50'000;

// Each pooled study's part in the model, the refits only up to meta::kMostStudiesRefitted
// studies; `err` is told where they were not made.
std::vector<meta::StudyInfluence> StudyInfluences(const table::PooledRows& rows,
                                                  const meta::Pooled* pooled,
                                                  const FittedRegression* regression,
                                                  std::FILE* err, Progress& progress);

} // namespace tavrel::cli
