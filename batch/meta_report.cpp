#include "batch/meta_report.h"

#include "batch/csv_reader.h"
#include "batch/intervals.h"
#include "batch/summary_text.h"

#include <cmath>
#include <string>

namespace tavrel::batch {

namespace {

// "4 with a missing value, 1 with the wrong number of fields"
std::string LeftOutReasons(const PooledRows& rows) {
    static constexpr std::pair<LeftOutReason, const char*> kReasons[] = {
        {LeftOutReason::MissingValue, "with a missing value"},
        {LeftOutReason::NotANumber, "with a value that is not a number"},
        {LeftOutReason::OutOfRange, "with a value out of range"},
        {LeftOutReason::FieldCount, "with the wrong number of fields"},
        {LeftOutReason::NotFinite, "whose effect size is not finite"},
    };
    static_assert(std::size(kReasons) == kLeftOutReasons);
    std::string text;
    for (const auto& [reason, words] : kReasons) {
        if (const std::size_t count = rows.LeftOut(reason); count > 0) {
            text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + words;
        }
    }
    return text;
}

forest::ForestRow RowOf(std::string label, double estimate, double low, double high,
                        double weight) {
    return {std::move(label), estimate,         low, high, weight, TwoDecimals(estimate),
            TwoDecimals(low), TwoDecimals(high)};
}

} // namespace

meta::Pooled PoolRows(const Options& options, const PooledRows& rows) {
    const std::size_t k = rows.Studies().size();
    if (k < 2) {
        const std::size_t total = k + rows.LeftOut();
        std::string why = std::to_string(k) + " of " + std::to_string(total) +
                          (total == 1 ? " row" : " rows") + (k == 1 ? " has" : " have") +
                          " an effect size, and pooling needs at least 2";
        if (rows.LeftOut() > 0) {
            why += "; left out: " + LeftOutReasons(rows);
        }
        throw InputError("cannot pool: " + why, 0);
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

forest::ForestPlot PlotOf(const Options& options, const PooledRows& rows,
                          const meta::Pooled& pooled) {
    forest::ForestPlot plot;
    const double z = TwoSidedZ(options.level);
    for (std::size_t i = 0; i < rows.Studies().size(); ++i) {
        const meta::Study& study = rows.Studies()[i];
        const double half = z * std::sqrt(study.vi);
        plot.studies.push_back(RowOf(rows.Labels()[i], study.yi, study.yi - half, study.yi + half,
                                     meta::WeightPercent(pooled, study)));
    }
    plot.pooled = RowOf(ModelName(pooled), pooled.estimate, pooled.ciLow, pooled.ciHigh, 100);
    plot.overallTest = "Test for overall effect: " + OverallTest(pooled);
    plot.prediction = pooled.method != meta::Method::FE;
    if (plot.prediction) {
        plot.predictionRow =
            RowOf("Prediction interval", pooled.estimate, pooled.piLow, pooled.piHigh, 0);
        plot.predictionRow.estimateText.clear(); // the interval alone: its centre is the pooled
    }
    plot.intervalHeading = "Hedges's g [" + Percent(options.level) + "% CI]";
    plot.heterogeneity = HeterogeneityLine(pooled);
    plot.axisLabel = "Hedges's g";
    plot.favoursLeft = options.favoursLeft;
    plot.favoursRight = options.favoursRight;
    return plot;
}

std::string PooledText(const PooledRows& rows, const meta::Pooled& pooled) {
    std::string text = "tavrel-batch: pooled " + std::to_string(pooled.k) + " of " +
                       std::to_string(pooled.k + rows.LeftOut()) + " rows";
    if (rows.LeftOut() > 0) {
        text += "; left out: " + LeftOutReasons(rows);
    }
    return text + "\n" + SummaryText(pooled);
}

} // namespace tavrel::batch
