#include "report/funnel_data.h"

#include "meta/study/intervals.h"
#include "report/forest_data.h"
#include "report/summary_text.h"

#include <cmath>

namespace tavrel::report {

plots::FunnelPlot FunnelPlotOf(const table::PooledRows& rows, const meta::Model& pooled,
                               const meta::SmallStudyEffects& effects, bool contours) {
    plots::FunnelPlot plot;
    for (const meta::Study& study : rows.Studies()) {
        plot.studies.push_back({study.yi, std::sqrt(study.vi)});
    }
    plot.estimate = pooled.Pooled().estimate;
    const table::Transform transform = table::Info(rows.EffectMeasure()).transform;
    plot.estimateLabel =
        "Pooled estimate, " + TwoDecimals(table::Shown(transform, pooled.Pooled().estimate));
    if (effects.trimFill && effects.trimFill->k0 > 0) {
        for (const meta::Study& study : effects.trimFill->filled) {
            plot.filled.push_back({study.yi, std::sqrt(study.vi)});
        }
        plot.adjusted = true;
        plot.adjustedEstimate = effects.trimFill->model.Pooled().estimate;
        plot.adjustedLabel =
            "With filled studies, " + TwoDecimals(table::Shown(transform, plot.adjustedEstimate));
    }
    plot.regionZ = meta::TwoSidedZ(pooled.settings.level);
    plot.regionLabel = Percent(pooled.settings.level) + "% pseudo-confidence region";
    if (contours) {
        for (const auto& [level, label] :
             {std::pair{0.90, "p < .10"}, std::pair{0.95, "p < .05"}, std::pair{0.99, "p < .01"}}) {
            plot.contours.push_back({meta::TwoSidedZ(level), label});
        }
    }
    plot.axisLabel = ScaleLabel(rows.EffectMeasure());
    plot.scale = ScaleOf(rows.EffectMeasure());
    plot.seLabel = "Standard error";
    return plot;
}

} // namespace tavrel::report
