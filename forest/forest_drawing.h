#pragma once

#include "forest/forest_plot.h"

class QPainter;

namespace tavrel::forest {

// Draws the plot with `painter`, one unit per point, from the top-left corner.
void Draw(const ForestPlot& plot, QPainter& painter);

} // namespace tavrel::forest
