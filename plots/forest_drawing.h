#pragma once

#include "plots/forest_layout.h"
#include "plots/forest_plot.h"

class QPainter;

namespace tavrel::plots {

// Draws the plot as laid out with `painter`, one unit per point, from the top-left corner.
void Draw(const ForestPlot& plot, const ForestLayout& layout, QPainter& painter);

} // namespace tavrel::plots
