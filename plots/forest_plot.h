#pragma once

#include "plots/axis.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tavrel::plots {

// One line of a forest plot: a study, the pooled estimate, or the prediction interval.
struct ForestRow {
    std::string label;
    double estimate;
    double low, high; // the interval
    double weight;    // percent; the pooled row's is 100
    // The estimate and the interval's ends as the reader sees them ("0.41", "0.27", "0.55"):
    // each is set on its own, so that the column lines up on the decimal point.
    std::string estimateText, lowText, highText;
};

// A subgroup's block: a heading with its name, its studies (`studyCount` of them in `studies`
// from `firstStudy` on) and its own diamond.
struct ForestGroup {
    std::string label;
    std::size_t firstStudy = 0;
    std::size_t studyCount = 0;
    ForestRow pooled;          // its label says what the diamond is; its weight is the studies' sum
    std::string heterogeneity; // under the diamond: "τ² = 0.031, I² = 62.3%, Q(4) = 10.20, ..."
    // Whether the group has a diamond of its own: a subgroup does, a cluster (one study's
    // several effect sizes, pooled only in the whole) does not.
    bool pooledShown = true;
};

// Everything a forest plot shows, with its texts already written.
struct ForestPlot {
    std::vector<ForestRow> studies;
    ForestRow pooled;        // its label names the model
    std::string overallTest; // "z = 5.71, p < .001", beside the pooled row
    bool prediction = false; // a random-effects model's prediction interval, in predictionRow
    ForestRow predictionRow;
    std::string intervalHeading;         // "Hedges's g [95% CI]"
    std::string heterogeneity;           // "τ² = 0.031, I² = 62.3%, Q(46) = 121.90, p < .001"
    std::string axisLabel;               // "Hedges's g"
    AxisScale scale = AxisScale::Linear; // how the axis's ticks are labelled
    std::string favoursLeft;             // under the axis, left of 0: "Favours control"
    std::string favoursRight;            // and right of it: "Favours experimental"
    std::vector<ForestGroup> groups;     // empty where the studies are not in subgroups
    std::string subgroupTest;            // "Test for subgroup differences: Q(2) = 3.21, p = .201"
};

enum class Format { Svg, Pdf, Png };

// Forest plots of more studies than this cannot be read any more: none is drawn.
inline constexpr std::size_t kMostStudiesInAPlot = 250;

// PNG pictures are drawn at twice their size in points, for crisp text.
inline constexpr int kPngScale = 2;

// Draws the plot in `format` into `bytes`; false, with why in `error`, where it could not. The
// caller writes the bytes, so that every write error is its own to see. The entry point of
// the plot module, which tavrel-batch loads only to draw, so that Qt's start-up cost is paid
// only then.
extern "C" bool TavrelDrawForestPlot(const ForestPlot& plot, Format format, std::string* bytes,
                                     std::string* error);
using DrawForestPlot = bool (*)(const ForestPlot&, Format, std::string*, std::string*);

} // namespace tavrel::plots
