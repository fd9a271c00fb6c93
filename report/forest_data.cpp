#include "report/forest_data.h"

#include "report/summary_text.h"

#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tavrel::report {

namespace {

// A row drawn on the analysis scale, its numbers written as the reader sees them (`transform`).
plots::ForestRow ShownRow(std::string label, double estimate, meta::Interval interval,
                          double weight, table::Transform transform) {
    return {std::move(label),
            estimate,
            interval.low,
            interval.high,
            weight,
            TwoDecimals(table::Shown(transform, estimate)),
            TwoDecimals(table::Shown(transform, interval.low)),
            TwoDecimals(table::Shown(transform, interval.high))};
}

// Each cluster's rows together, in the order the clusters are first seen, under its name and
// without a diamond: the model pools them as one study's. `add` adds pooled row i.
template <class Add>
void AddClusters(const table::PooledRows& rows, plots::ForestPlot& plot, Add add) {
    std::vector<std::string_view> order;
    std::unordered_map<std::string_view, std::vector<std::size_t>> members;
    for (std::size_t i = 0; i < rows.Studies().size(); ++i) {
        auto [at, added] = members.try_emplace(rows.Clusters()[i]);
        if (added) {
            order.push_back(rows.Clusters()[i]);
        }
        at->second.push_back(i);
    }
    for (const std::string_view cluster : order) {
        plots::ForestGroup group{std::string(cluster), plot.studies.size(), 0, {}, {}, false};
        for (const std::size_t i : members[cluster]) {
            add(i);
        }
        group.studyCount = plot.studies.size() - group.firstStudy;
        plot.groups.push_back(std::move(group));
    }
}

} // namespace

plots::AxisScale ScaleOf(table::Measure measure) {
    switch (table::Info(measure).transform) {
    case table::Transform::Exp:
        return plots::AxisScale::Ratio;
    case table::Transform::ZToR:
        return plots::AxisScale::Correlation;
    case table::Transform::None:
        break;
    }
    return plots::AxisScale::Linear;
}

std::string ScaleLabel(table::Measure measure) {
    const table::MeasureInfo& info = table::Info(measure);
    return std::string(info.transform == table::Transform::None ? info.axisLabel : info.shownLabel);
}

plots::ForestPlot PlotOf(const table::PooledRows& rows, const meta::Model& pooled,
                         const std::string& favoursLeft, const std::string& favoursRight,
                         std::span<const meta::Subgroup> subgroups,
                         const meta::SubgroupTest* differences) {
    plots::ForestPlot plot;
    const table::Transform transform = table::Info(rows.EffectMeasure()).transform;
    const auto RowOf = [&](std::string label, double estimate, meta::Interval interval,
                           double weight) {
        return ShownRow(std::move(label), estimate, interval, weight, transform);
    };
    const auto add = [&](std::size_t i) {
        const meta::Study& study = rows.Studies()[i];
        const table::PlotRow& row = rows.PlotRows()[i];
        plot.studies.push_back(
            RowOf(row.label.empty() ? "row " + std::to_string(row.row) : row.label, study.yi,
                  row.interval, meta::WeightPercent(pooled, i, study)));
    };
    if (subgroups.empty() && rows.Clustered()) {
        AddClusters(rows, plot, add);
    } else if (subgroups.empty()) {
        for (std::size_t i = 0; i < rows.Studies().size(); ++i) {
            add(i);
        }
    }
    // In subgroups: each group's studies together, in input order, under its name.
    for (const meta::Subgroup& subgroup : subgroups) {
        plots::ForestGroup group{subgroup.name, plot.studies.size(), 0, {}, {}, true};
        double weight = 0;
        for (std::size_t i = 0; i < rows.Studies().size(); ++i) {
            if (rows.Groups()[i] == subgroup.name) {
                add(i);
                weight += plot.studies.back().weight;
            }
        }
        group.studyCount = plot.studies.size() - group.firstStudy;
        const meta::Model& own = subgroup.model;
        const char* model =
            meta::IsCommonEffect(own.settings.method) ? ": FE model, k = " : ": RE model, k = ";
        group.pooled = RowOf(subgroup.name + model + std::to_string(own.k), own.Pooled().estimate,
                             {own.Pooled().ciLow, own.Pooled().ciHigh}, weight);
        group.heterogeneity = subgroup.note.empty() ? HeterogeneityLine(own, false) : subgroup.note;
        plot.groups.push_back(std::move(group));
    }
    if (differences != nullptr) {
        plot.subgroupTest = SubgroupTestText(*differences);
    }
    plot.pooled = RowOf(ModelName(pooled), pooled.Pooled().estimate,
                        {pooled.Pooled().ciLow, pooled.Pooled().ciHigh}, 100);
    plot.overallTest = "Test for overall effect: " + OverallTest(pooled);
    plot.prediction = !meta::IsCommonEffect(pooled.settings.method);
    if (plot.prediction) {
        plot.predictionRow = RowOf("Prediction interval", pooled.Pooled().estimate,
                                   {pooled.piLow, pooled.piHigh}, 0);
        plot.predictionRow.estimateText.clear(); // the interval alone: its centre is the pooled
    }
    plot.intervalHeading =
        ScaleLabel(rows.EffectMeasure()) + " [" + Percent(pooled.settings.level) + "% CI]";
    plot.heterogeneity = HeterogeneityLine(pooled);
    plot.axisLabel = ScaleLabel(rows.EffectMeasure());
    plot.scale = ScaleOf(rows.EffectMeasure());
    plot.favoursLeft = favoursLeft;
    plot.favoursRight = favoursRight;
    return plot;
}

} // namespace tavrel::report
