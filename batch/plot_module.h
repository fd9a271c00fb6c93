#pragma once

#include "forest/forest_plot.h"

#include <string>

namespace tavrel::batch {

// Draws the forest plot through the plot module, loaded from beside the program (the build
// tree) or from its library folder (an installation). Throws InputError where the module
// cannot be found or the plot cannot be drawn.
void DrawWithPlotModule(const forest::ForestPlot& plot, forest::Format format, int descriptor);

} // namespace tavrel::batch
