// The plot module's entry points: each lays its plot out and paints it in the format asked.
#include "plots/forest_drawing.h"
#include "plots/forest_layout.h"
#include "plots/forest_plot.h"
#include "plots/funnel_drawing.h"
#include "plots/funnel_plot.h"
#include "plots/plot_text.h"
#include "plots/rendering.h"

#include <QPainter>

namespace tavrel::plots {

extern "C" std::uint64_t TavrelPlotInterface() {
    return kPlotInterface;
}

extern "C" bool TavrelDrawForestPlot(const ForestPlot& plot, Format format, std::string* bytes,
                                     std::string* error) {
    const auto application = StartApplication();
    const ForestLayout layout = LayOut(plot);
    return Render(
        layout.width, layout.height, QStringLiteral("Forest plot"), DrawnText(plot.heterogeneity),
        format, [&](QPainter& painter) { Draw(plot, layout, painter); }, bytes, error);
}

extern "C" bool TavrelDrawFunnelPlot(const FunnelPlot& plot, Format format, std::string* bytes,
                                     std::string* error) {
    const auto application = StartApplication();
    const FunnelLayout layout = LayOut(plot);
    return Render(
        layout.width, layout.height, QStringLiteral("Funnel plot"), DrawnText(plot.regionLabel),
        format, [&](QPainter& painter) { Draw(plot, layout, painter); }, bytes, error);
}

} // namespace tavrel::plots
