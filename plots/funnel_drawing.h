#pragma once

#include "plots/axis.h"
#include "plots/funnel_plot.h"

class QPainter;

namespace tavrel::plots {

// Where a funnel plot goes, in points from the top-left corner: the plot's frame, its two
// axes (the effect across, the standard error down from 0 at the top), and the legend to its
// right where shading or filled studies need one.
struct FunnelLayout {
    double plotLeft;
    double plotTop;
    double plotWidth;
    double plotHeight;
    Axis across;
    Axis down;
    bool legend;
    double legendLeft;
    int width;
    int height;
};

// Needs a QGuiApplication, for the fonts' metrics.
FunnelLayout LayOut(const FunnelPlot& plot);

// Draws the plot as laid out with `painter`, one unit per point.
void Draw(const FunnelPlot& plot, const FunnelLayout& layout, QPainter& painter);

} // namespace tavrel::plots
