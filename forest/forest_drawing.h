#pragma once

#include "forest/forest_layout.h"
#include "forest/forest_plot.h"

class QPainter;

namespace tavrel::forest {

// Draws the plot as laid out with `painter`, one unit per point, from the top-left corner.
void Draw(const ForestPlot& plot, const ForestLayout& layout, QPainter& painter);

} // namespace tavrel::forest
