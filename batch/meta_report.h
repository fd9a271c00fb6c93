#pragma once

#include "batch/options.h"
#include "batch/pooled_rows.h"
#include "forest/forest_plot.h"
#include "meta/pooling.h"

#include <cstddef>
#include <cstdio>
#include <string>

namespace tavrel::batch {

// Forest plots of more studies than this cannot be read any more; they are refused.
inline constexpr std::size_t kMostStudiesInAPlot = 250;

// The meta-analysis of the rows, once they are all read. Throws InputError where it cannot be
// had as asked: fewer than two rows to pool (the message counts the rows left out by why), a
// plot of too many studies, a REML score with no root.
meta::Pooled PoolRows(const Options& options, const PooledRows& rows);

// The forest plot of the pooled rows.
forest::ForestPlot PlotOf(const Options& options, const PooledRows& rows,
                          const meta::Pooled& pooled);

// How many rows went in, why the others did not, and the summary, for standard error.
std::string PooledText(const PooledRows& rows, const meta::Pooled& pooled);

} // namespace tavrel::batch
