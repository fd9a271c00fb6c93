#include "cli/pooling.h"

#include "cli/run_error.h"
#include "report/summary_text.h"

#include <string>

namespace tavrel::cli {

meta::Pooled PoolRows(const Options& options, const table::PooledRows& rows) {
    const std::size_t k = rows.Studies().size();
    if (k < 2) {
        const std::size_t total = k + rows.LeftOut();
        std::string why = std::to_string(k) + " of " + std::to_string(total) +
                          (total == 1 ? " row" : " rows") + (k == 1 ? " has" : " have") +
                          " an effect size, and pooling needs at least 2";
        if (rows.LeftOut() > 0) {
            why += "; left out: " + report::LeftOutText(rows);
        }
        throw RunError("cannot pool: " + why);
    }
    if (!options.forest.empty() && k > kMostStudiesInAPlot) {
        throw RunError("a forest plot of " + std::to_string(k) + " studies cannot be read; " +
                       std::to_string(kMostStudiesInAPlot) + " is the most it draws");
    }
    try {
        return meta::Pool(rows.Studies(), options.method, options.test, options.level);
    } catch (const meta::NotConverged& e) {
        throw RunError(e.what());
    }
}

std::vector<meta::Subgroup> PoolSubgroups(const Options& options, const table::PooledRows& rows) {
    try {
        return meta::PoolSubgroups(rows.Studies(), rows.Groups(), options.method, options.test,
                                   options.level);
    } catch (const meta::NotConverged& e) {
        throw RunError(std::string("--by: ") + e.what());
    }
}

} // namespace tavrel::cli
