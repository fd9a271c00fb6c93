#include "batch/plot_module.h"

#include "batch/csv_reader.h"

#include <dlfcn.h>
#include <filesystem>

namespace tavrel::batch {

namespace {

namespace fs = std::filesystem;

forest::DrawForestPlot LoadDrawing() {
    std::error_code error;
    const fs::path program = fs::read_symlink("/proc/self/exe", error).parent_path();
    std::string reasons;
    for (const fs::path& candidate :
         {program / TAVREL_PLOT_MODULE_INSTALLED, program / TAVREL_PLOT_MODULE_BUILT}) {
        // Kept loaded for the rest of the run: Qt's cleanup would run after ours otherwise.
        if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void* entry = dlsym(module, "TavrelDrawForestPlot")) {
                return reinterpret_cast<forest::DrawForestPlot>(entry);
            }
        }
        reasons += std::string("\n  ") + dlerror();
    }
    throw InputError("cannot load the plot module:" + reasons, 0);
}

} // namespace

void DrawWithPlotModule(const forest::ForestPlot& plot, forest::Format format, int descriptor) {
    static const forest::DrawForestPlot draw = LoadDrawing();
    std::string error;
    if (!draw(plot, format, descriptor, &error)) {
        throw InputError("cannot draw the forest plot: " + error, 0);
    }
}

} // namespace tavrel::batch
