#pragma once

#include "cli/run_error.h"
#include "plots/forest_plot.h"
#include "plots/funnel_plot.h"

#include <string>

namespace tavrel::cli {

// The plot module, looked up by absolute path only: beside the program (the build tree) or in
// its library folder (an installation), the program's folder read from /proc/self/exe; where
// that cannot be read, the library folder fixed at build time. Throws RunError where the
// module cannot be loaded, so that --forest and --funnel fail before any work.
class PlotModule {
  public:
    explicit PlotModule(const std::string& option); // the option that asked, for messages
    // The plot as the bytes of its file. Throws RunError where it cannot be drawn.
    std::string Draw(const plots::ForestPlot& plot, plots::Format format) const;
    std::string Draw(const plots::FunnelPlot& plot, plots::Format format) const;

  private:
    plots::DrawForestPlot drawForest_;
    plots::DrawFunnelPlot drawFunnel_;
};

} // namespace tavrel::cli
