#pragma once

#include "plots/forest_plot.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel::plots {

// A study in a funnel plot: its effect (across) and its standard error (down).
struct FunnelPoint {
    double estimate;
    double se;
};

// A region where a study's own two-sided p is below a level: |estimate| > z * se.
struct FunnelContour {
    double z;
    std::string label; // "p < .05"
};

// Everything a funnel plot shows, with its texts already written. The standard error grows
// downward from 0 at the top.
struct FunnelPlot {
    std::vector<FunnelPoint> studies; // filled circles
    std::vector<FunnelPoint> filled;  // trim-and-fill's studies: open circles
    double estimate;                  // the pooled estimate: a solid vertical line
    std::string estimateLabel;        // "Pooled estimate (REML)"
    // Trim-and-fill's estimate with the filled studies, dashed; absent where none were filled.
    bool adjusted = false;
    double adjustedEstimate = 0;
    std::string adjustedLabel;
    double regionZ;          // the pseudo-confidence region: estimate +- regionZ * se
    std::string regionLabel; // "95% pseudo-confidence region"
    // Shaded around 0, widest (most significant) last; empty for a plain funnel plot.
    std::vector<FunnelContour> contours;
    std::string axisLabel;               // "Hedges's g"
    AxisScale scale = AxisScale::Linear; // how the estimates' axis is labelled
    std::string seLabel;                 // "Standard error"
};

// Draws the plot as ForestPlot's entry point does. The plot module's second entry point.
extern "C" bool TavrelDrawFunnelPlot(const FunnelPlot& plot, Format format, std::string* bytes,
                                     std::string* error);
using DrawFunnelPlot = bool (*)(const FunnelPlot&, Format, std::string*, std::string*);

// The shape of the plots' data as this build has them. A program and the module it loads must
// agree on it: a module of another build would read a plot of another shape. Raise the version
// with any change to ForestPlot, FunnelPlot or what they hold.
inline constexpr std::uint64_t kPlotInterfaceVersion = 3;
inline constexpr std::uint64_t kPlotInterface =
    kPlotInterfaceVersion << 40 | std::uint64_t{sizeof(ForestPlot)} << 20 | sizeof(FunnelPlot);
extern "C" std::uint64_t TavrelPlotInterface();
using PlotInterface = std::uint64_t (*)();

} // namespace tavrel::plots
