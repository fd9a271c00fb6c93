#pragma once

#include <vector>

namespace tavrel::plots {

// A horizontal axis over [low, high] that includes 0, with round ticks (1, 2, 2.5 or 5 times a
// power of ten) at both ends and between.
struct Axis {
    double low;
    double high;
    std::vector<double> ticks;
};
Axis RoundAxis(double low, double high);

// How an axis's values are labelled: as they are, as ratios (an axis of log ratios, labelled
// exp() of each tick: 0.5, 1, 2) or as correlations (an axis of Fisher's z, labelled tanh()).
enum class AxisScale { Linear, Ratio, Correlation };

// An axis over [low, high] (on the analysis scale) that includes no effect (0), its ticks where
// the labels are round in `scale`: RoundAxis for Linear, ratios of 1, 2 and 5 times a power of
// ten (finer or coarser to give three to eight ticks), or correlations a round step apart.
Axis ScaledAxis(AxisScale scale, double low, double high);

// A tick's label: the value as the scale shows it, to six significant digits.
double ShownTick(AxisScale scale, double tick);

} // namespace tavrel::plots
