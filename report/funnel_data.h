#pragma once

#include "meta/model/model.h"
#include "meta/small_study/small_study_effects.h"
#include "plots/funnel_plot.h"
#include "table/pooled_rows.h"

namespace tavrel::report {

// The funnel plot of the pooled rows about the pooled estimate, its pseudo-confidence region
// at the model's level; with trim-and-fill's studies (where it was asked for and filled any)
// and, with `contours`, the regions where a study's own p is below .10, .05 and .01.
plots::FunnelPlot FunnelPlotOf(const table::PooledRows& rows, const meta::Model& pooled,
                               const meta::SmallStudyEffects& effects, bool contours);

} // namespace tavrel::report
