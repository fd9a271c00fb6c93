#pragma once

#include "batch/options.h"
#include "batch/pooled_rows.h"
#include "meta/pooling.h"

#include <cstddef>
#include <cstdio>
#include <optional>

namespace tavrel::batch {

// Forest plots of more studies than this cannot be read any more; they are refused.
inline constexpr std::size_t kMostStudiesInAPlot = 250;

// The meta-analysis of the rows, once they are all read: pools them (nothing when fewer than
// two rows have an unbiased d, which `err` is told). Throws InputError for a plot of too many
// studies or a model that does not converge, before anything is written.
std::optional<meta::Pooled> PoolRows(const Options& options, const PooledRows& rows,
                                     std::FILE* err);

// Reports the pooled result: how many rows went in and the summary on `err`, the JSON and the
// plot to their files, each replaced only once complete. Throws InputError where one cannot
// be written.
void ReportPooled(const Options& options, const PooledRows& rows, const meta::Pooled& pooled,
                  std::FILE* err);

} // namespace tavrel::batch
