#pragma once

#include "forest/forest_plot.h"
#include "meta/pooling.h"
#include "table/pooled_rows.h"

#include <string>

namespace tavrel::report {

// The forest plot of the pooled rows, every text written: `favoursLeft` and `favoursRight`
// stand under the axis either side of no effect.
forest::ForestPlot PlotOf(const table::PooledRows& rows, const meta::Pooled& pooled,
                          const std::string& favoursLeft, const std::string& favoursRight);

} // namespace tavrel::report
