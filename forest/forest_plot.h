#pragma once

#include <string>
#include <vector>

namespace tavrel::forest {

// One line of a forest plot: a study, or the pooled estimate.
struct ForestRow {
    std::string label;
    double estimate;
    double low, high; // the confidence interval
    double weight;    // percent; the pooled row's is 100
    std::string text; // the estimate and interval as the reader sees them: "0.41 [0.27, 0.55]"
};

// Everything a forest plot shows, with its texts already written.
struct ForestPlot {
    std::vector<ForestRow> studies;
    ForestRow pooled; // its label names the model
    double predictionLow, predictionHigh;
    std::string predictionText;  // "[-0.12, 0.94]"
    std::string intervalHeading; // "Hedges's g [95% CI]"
    std::string heterogeneity;   // "τ² = 0.031, I² = 62.3%, Q(46) = 121.90, p < .001"
    std::string axisLabel;       // "Hedges's g"
};

enum class Format { Svg, Pdf, Png };

// The plot's size at one pixel per point: fixed width, a line per study.
struct PlotSize {
    int width;
    int height;
};
PlotSize SizeOf(const ForestPlot& plot);

// PNG pictures are drawn at twice that size, for crisp text.
inline constexpr int kPngScale = 2;

// Draws the plot in `format` to the open file `descriptor`; false, with why in `error`, where
// it could not. The entry point of the plot module, which tavrel-batch loads only to draw, so
// that Qt's start-up cost is paid only then.
extern "C" bool TavrelDrawForestPlot(const ForestPlot& plot, Format format, int descriptor,
                                     std::string* error);
using DrawForestPlot = bool (*)(const ForestPlot&, Format, int, std::string*);

} // namespace tavrel::forest
