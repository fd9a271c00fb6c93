#include "plots/forest_layout.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <map>

namespace tavrel::plots {

namespace {

constexpr double kMargin = 20;
constexpr double kNarrowestLabels = 160;
constexpr double kWidestLabels = 420;
constexpr double kGap = 15;
constexpr double kPlotWidth = 300;
constexpr double kFirstRowTop = 48;

// The widths of a number's text before and from its decimal point.
struct Split {
    double whole = 0;
    double fraction = 0;
};

Split SplitAtPoint(const QFontMetricsF& metrics, const std::string& text) {
    const QString shown = DrawnText(text);
    const qsizetype point = shown.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? shown : shown.left(point);
    return {metrics.horizontalAdvance(whole),
            metrics.horizontalAdvance(shown) - metrics.horizontalAdvance(whole)};
}

Split Widest(const Split& a, const Split& b) {
    return {std::max(a.whole, b.whole), std::max(a.fraction, b.fraction)};
}

// A label on two lines: as much as fits on the first, broken at a space where there is one,
// and the rest shortened in the middle.
QStringList Wrapped(const QFontMetricsF& metrics, const QString& label, double width) {
    qsizetype fits = 0;
    while (fits < label.size() && metrics.horizontalAdvance(label.left(fits + 1)) <= width) {
        ++fits;
    }
    const qsizetype space = label.lastIndexOf(QLatin1Char(' '), fits);
    const qsizetype cut = space > fits / 2 ? space : std::max<qsizetype>(fits, 1);
    return {label.left(cut), metrics.elidedText(label.mid(cut).trimmed(), Qt::ElideMiddle, width)};
}

} // namespace

namespace {

// The label column: as wide as its longest label, within limits; each study's label as drawn.
void LayOutLabels(const ForestPlot& plot, const QFontMetricsF& regular, const QFontMetricsF& bold,
                  ForestLayout& layout) {
    double longest = bold.horizontalAdvance(DrawnText(plot.pooled.label));
    for (const ForestGroup& group : plot.groups) {
        longest = std::max({longest, regular.horizontalAdvance(DrawnText(group.pooled.label)),
                            regular.horizontalAdvance(DrawnText(group.heterogeneity))});
    }
    std::vector<QString> labels;
    for (const ForestRow& row : plot.studies) {
        labels.push_back(DrawnText(row.label));
        longest = std::max(longest, regular.horizontalAdvance(labels.back()));
    }
    layout.labelWidth = std::clamp(longest, kNarrowestLabels, kWidestLabels);
    // Shortened in the middle, where names tend to differ least; wrapped where that makes
    // two different labels read the same.
    std::map<QString, std::vector<std::size_t>> byShown;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const QString shown = regular.elidedText(labels[i], Qt::ElideMiddle, layout.labelWidth);
        layout.labelLines.push_back({shown});
        byShown[shown].push_back(i);
    }
    for (const auto& [shown, rows] : byShown) {
        const bool clash = std::any_of(rows.begin(), rows.end(),
                                       [&](std::size_t i) { return labels[i] != labels[rows[0]]; });
        for (const std::size_t i : rows) {
            if (clash && shown != labels[i]) {
                layout.labelLines[i] = Wrapped(regular, labels[i], layout.labelWidth);
            }
        }
    }
}

// Each row's top, subgroup blocks included; returns where the rows end.
double LayOutRows(const ForestPlot& plot, ForestLayout& layout) {
    double top = kFirstRowTop;
    std::size_t group = 0;
    for (std::size_t i = 0; i < layout.labelLines.size(); ++i) {
        if (group < plot.groups.size() && i == plot.groups[group].firstStudy) {
            layout.groupHeadingTops.push_back(top);
            top += kRowHeight;
        }
        const double height = kRowHeight + (layout.labelLines[i].size() - 1) * kLineHeight;
        layout.rowTops.push_back(top);
        layout.rowHeights.push_back(height);
        top += height;
        if (group < plot.groups.size() &&
            i + 1 == plot.groups[group].firstStudy + plot.groups[group].studyCount) {
            layout.groupPooledTops.push_back(top);
            if (plot.groups[group].pooledShown) {
                top += kRowHeight + (plot.groups[group].heterogeneity.empty() ? 0 : kLineHeight);
            }
            top += 6;
            ++group;
        }
    }
    return top;
}

} // namespace

ForestLayout LayOut(const ForestPlot& plot) {
    const QFontMetricsF regular(PlotFont());
    const QFontMetricsF bold(PlotFont(true));
    ForestLayout layout{};
    layout.labelLeft = kMargin;

    LayOutLabels(plot, regular, bold, layout);

    layout.plotLeft = layout.labelLeft + layout.labelWidth + kGap;
    layout.plotWidth = kPlotWidth;
    Split estimate, low, high;
    const auto measure = [&](const ForestRow& row) {
        estimate = Widest(estimate, SplitAtPoint(bold, row.estimateText));
        low = Widest(low, SplitAtPoint(bold, row.lowText));
        high = Widest(high, SplitAtPoint(bold, row.highText));
    };
    for (const ForestRow& row : plot.studies) {
        measure(row);
    }
    for (const ForestGroup& g : plot.groups) {
        measure(g.pooled);
    }
    measure(plot.pooled);
    if (plot.prediction) {
        measure(plot.predictionRow);
    }
    const double space = regular.horizontalAdvance(QLatin1Char(' '));
    layout.textLeft = layout.plotLeft + layout.plotWidth + 2 * kGap;
    layout.estimatePoint = layout.textLeft + estimate.whole;
    layout.openBracket = layout.estimatePoint + estimate.fraction + space;
    layout.lowPoint = layout.openBracket + regular.horizontalAdvance(QLatin1Char('[')) + low.whole;
    layout.comma = layout.lowPoint + low.fraction;
    layout.highPoint = layout.comma + regular.horizontalAdvance(QStringLiteral(", ")) + high.whole;
    const double textRight =
        std::max(layout.highPoint + high.fraction + regular.horizontalAdvance(QLatin1Char(']')),
                 layout.textLeft + bold.horizontalAdvance(DrawnText(plot.intervalHeading)));
    layout.weightRight = textRight + kGap + bold.horizontalAdvance(QStringLiteral("Weight"));
    layout.width = static_cast<int>(std::ceil(layout.weightRight + kMargin));

    const double top = LayOutRows(plot, layout);
    layout.pooledTop = top + 12;
    layout.testTop = layout.pooledTop + kRowHeight;
    layout.predictionTop = layout.testTop + kRowHeight;
    layout.axisTop = layout.predictionTop + (plot.prediction ? kRowHeight : 0) + 6;
    const double footerWidth = std::max(regular.horizontalAdvance(DrawnText(plot.heterogeneity)),
                                        regular.horizontalAdvance(DrawnText(plot.subgroupTest)));
    layout.width = std::max(layout.width, static_cast<int>(std::ceil(footerWidth + 2 * kMargin)));
    layout.footerTop = layout.axisTop + 84;
    layout.height = static_cast<int>(
        std::ceil(layout.footerTop + (plot.subgroupTest.empty() ? 12 : 12 + kLineHeight + 2)));
    return layout;
}

} // namespace tavrel::plots
