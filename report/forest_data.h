#pragma once

#include "meta/diagnostics/subgroups.h"
#include "meta/model/model.h"
#include "plots/forest_plot.h"
#include "table/pooled_rows.h"

#include <span>
#include <string>

namespace tavrel::report {

// The forest plot of the pooled rows, every text written: `favoursLeft` and `favoursRight`
// stand under the axis either side of no effect. With subgroups, each group's studies stand
// together under its name, above its own diamond, and the test for their differences under
// the heterogeneity. Of clustered rows (without subgroups), each cluster's rows stand together
// under its name, with no diamond of their own.
// How a plot's axis in `measure` is labelled, and what it is called ("Odds ratio").
plots::AxisScale ScaleOf(table::Measure measure);
std::string ScaleLabel(table::Measure measure);

plots::ForestPlot PlotOf(const table::PooledRows& rows, const meta::Model& pooled,
                         const std::string& favoursLeft, const std::string& favoursRight,
                         std::span<const meta::Subgroup> subgroups = {},
                         const meta::SubgroupTest* differences = nullptr);

} // namespace tavrel::report
