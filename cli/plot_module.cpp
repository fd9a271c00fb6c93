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

PlotModule::PlotModule() : draw_(nullptr) {
    std::string reasons;
    for (const fs::path& candidate : Candidates()) {
        // Kept loaded for the rest of the run: Qt's cleanup would run after ours otherwise.
        if (void* module = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            if (void* entry = dlsym(module, "TavrelDrawForestPlot")) {
                draw_ = reinterpret_cast<plots::DrawForestPlot>(entry);
                return;
            }
        }
        reasons += std::string("\n  ") + dlerror();
    }
    throw RunError("--forest needs the plot module, which cannot be loaded:" + reasons);
}

std::string PlotModule::Draw(const plots::ForestPlot& plot, plots::Format format) const {
    std::string bytes;
    std::string error;
    if (!draw_(plot, format, &bytes, &error)) {
        throw RunError("cannot draw the forest plot: " + error);
    }
    return bytes;
}

} // namespace tavrel::cli
