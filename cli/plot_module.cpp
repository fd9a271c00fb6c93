#include "cli/plot_module.h"

#include "cli/run_error.h"

#include <dlfcn.h>
#include <filesystem>
#include <vector>

namespace tavrel::cli {

namespace {

namespace fs = std::filesystem;

// Where the module may lie, every path absolute: a relative one would load whatever lies at
// that place relative to the working folder.
std::vector<fs::path> Candidates() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (!error && program.is_absolute()) {
        return {program.parent_path() / TAVREL_PLOT_MODULE_INSTALLED,
                program.parent_path() / TAVREL_PLOT_MODULE_BUILT};
    }
    return {fs::path(TAVREL_PLOT_MODULE_INSTALLED_ABSOLUTE)};
}

} // namespace

PlotModule::PlotModule(const std::string& option) : drawForest_(nullptr), drawFunnel_(nullptr) {
    std::string reasons;
    for (const fs::path& candidate : Candidates()) {
        // Kept loaded for the rest of the run: Qt's cleanup would run after ours otherwise.
        if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            void* forest = dlsym(module, "TavrelDrawForestPlot");
            void* funnel = dlsym(module, "TavrelDrawFunnelPlot");
            void* shape = dlsym(module, "TavrelPlotInterface");
            if (shape == nullptr ||
                reinterpret_cast<plots::PlotInterface>(shape)() != plots::kPlotInterface) {
                // Another build's module would read the plot in another shape, and crash.
                reasons += "\n  " + candidate.string() + ": from another build of Tavrel";
                continue;
            }
            if (forest != nullptr && funnel != nullptr) {
                drawForest_ = reinterpret_cast<plots::DrawForestPlot>(forest);
                drawFunnel_ = reinterpret_cast<plots::DrawFunnelPlot>(funnel);
                return;
            }
        }
        reasons += std::string("\n  ") + dlerror();
    }
    throw RunError(option + " needs the plot module, which cannot be loaded:" + reasons);
}

namespace {

template <class Plot, class Drawer>
std::string Drawn(Drawer draw, const Plot& plot, plots::Format format, const char* name) {
    std::string bytes;
    std::string error;
    if (!draw(plot, format, &bytes, &error)) {
        throw RunError(std::string("cannot draw the ") + name + " plot: " + error);
    }
    return bytes;
}

} // namespace

std::string PlotModule::Draw(const plots::ForestPlot& plot, plots::Format format) const {
    return Drawn(drawForest_, plot, format, "forest");
}

std::string PlotModule::Draw(const plots::FunnelPlot& plot, plots::Format format) const {
    return Drawn(drawFunnel_, plot, format, "funnel");
}

} // namespace tavrel::cli
