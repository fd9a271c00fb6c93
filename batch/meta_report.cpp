#include "batch/meta_report.h"

#include "batch/csv_reader.h"
#include "batch/intervals.h"
#include "batch/output_file.h"
#include "batch/plot_module.h"
#include "batch/summary_json.h"
#include "batch/summary_text.h"

#include <cmath>
#include <string>

namespace tavrel::batch {

namespace {

forest::ForestPlot PlotOf(const Options& options, const PooledRows& rows,
                          const meta::Pooled& pooled) {
    forest::ForestPlot plot;
    const double z = TwoSidedZ(options.level);
    for (std::size_t i = 0; i < rows.Studies().size(); ++i) {
        const meta::Study& study = rows.Studies()[i];
        const double low = study.yi - z * std::sqrt(study.vi);
        const double high = study.yi + z * std::sqrt(study.vi);
        plot.studies.push_back({rows.Labels()[i], study.yi, low, high,
                                meta::WeightPercent(pooled, study),
                                TwoDecimals(study.yi) + " " + Interval(low, high)});
    }
    plot.pooled = {ModelName(pooled),
                   pooled.estimate,
                   pooled.ciLow,
                   pooled.ciHigh,
                   100,
                   TwoDecimals(pooled.estimate) + " " + Interval(pooled.ciLow, pooled.ciHigh)};
    plot.predictionLow = pooled.piLow;
    plot.predictionHigh = pooled.piHigh;
    plot.predictionText = Interval(pooled.piLow, pooled.piHigh);
    char level[32];
    std::snprintf(level, sizeof level, "%g", 100 * options.level);
    plot.intervalHeading = std::string("Hedges's g [") + level + "% CI]";
    plot.heterogeneity = HeterogeneityLine(pooled);
    plot.axisLabel = "Hedges's g";
    return plot;
}

} // namespace

std::optional<meta::Pooled> PoolRows(const Options& options, const PooledRows& rows,
                                     std::FILE* err) {
    const std::size_t k = rows.Studies().size();
    if (k < 2) {
        std::fprintf(err,
                     "tavrel-batch: %zu of %zu rows have an unbiased d: at least 2 are needed "
                     "to pool; no summary\n",
                     k, k + rows.LeftOut());
        return std::nullopt;
    }
    if (!options.forest.empty() && k > kMostStudiesInAPlot) {
        throw InputError("a forest plot of " + std::to_string(k) + " studies cannot be read; " +
                             std::to_string(kMostStudiesInAPlot) + " is the most it draws",
                         0);
    }
    try {
        return meta::Pool(rows.Studies(), options.method, options.test, options.level);
    } catch (const meta::NotConverged& e) {
        throw InputError(e.what(), 0);
    }
}

void ReportPooled(const Options& options, const PooledRows& rows, const meta::Pooled& pooled,
                  std::FILE* err) {
    const std::size_t total = pooled.k + rows.LeftOut();
    std::fprintf(err, "tavrel-batch: pooled %zu of %zu rows", pooled.k, total);
    if (rows.LeftOut() > 0) {
        std::fprintf(err, "; %zu %s no unbiased d", rows.LeftOut(),
                     rows.LeftOut() == 1 ? "row had" : "rows had");
    }
    std::fprintf(err, "\n%s", SummaryText(pooled).c_str());

    if (!options.summary.empty()) {
        OutputFile file(options.summary, err);
        const std::string json = SummaryJson(pooled, rows.LeftOut());
        std::fwrite(json.data(), 1, json.size(), file.File());
        file.Commit();
    }
    if (!options.forest.empty()) {
        OutputFile file(options.forest, err);
        std::fflush(file.File());
        DrawWithPlotModule(PlotOf(options, rows, pooled), options.forestFormat,
                           fileno(file.File()));
        file.Commit();
    }
}

} // namespace tavrel::batch
