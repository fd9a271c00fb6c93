#include "cli/pooling.h"

#include "cli/run_error.h"
#include "report/summary_text.h"

#include <string>
#include <utility>

namespace tavrel::cli {

namespace {

// Why there are too few rows to pool: how many have an effect size, and why the others not.
std::string TooFew(const table::PooledRows& rows, std::size_t needed) {
    const std::size_t k = rows.Studies().size();
    const std::size_t total = k + rows.LeftOut();
    std::string why = std::to_string(k) + " of " + std::to_string(total) +
                      (total == 1 ? " row" : " rows") + (k == 1 ? " has" : " have") +
                      " an effect size, and pooling needs at least " + std::to_string(needed);
    if (rows.LeftOut() > 0) {
        why += "; left out: " + report::LeftOutText(rows);
    }
    return why;
}

} // namespace

meta::Pooled PoolRows(const Options& options, const table::PooledRows& rows) {
    const std::size_t k = rows.Studies().size();
    if (k < 2) {
        throw RunError("cannot pool: " + TooFew(rows, 2));
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

std::optional<meta::Regression> GroupModeratorTest(const Options& options,
                                                   const table::PooledRows& rows) {
    const table::ModeratorDesign design = table::GroupDesign(rows.Groups());
    if (design.x.cols() < 2 || design.x.rows() <= design.x.cols()) {
        return std::nullopt; // one group, or a study for each group: nothing left to test by
    }
    try {
        return meta::FitRegression(rows.Studies(), design.x, design.names, options.method,
                                   options.test, options.level, meta::RegressionExtras::None);
    } catch (const meta::NotConverged& e) {
        throw RunError(std::string("--by: ") + e.what());
    }
}

FittedRegression FitModerators(const Options& options, const table::PooledRows& rows) {
    if (rows.Studies().empty()) {
        throw RunError("cannot fit the meta-regression: " + TooFew(rows, 2));
    }
    FittedRegression fitted;
    table::ModeratorDesign& design = fitted.design;
    try {
        design = table::DesignOf(options.moderators, rows.Moderators());
    } catch (const table::ModeratorError& e) {
        throw RunError(e.what());
    }
    const auto p = static_cast<std::size_t>(design.x.cols());
    if (rows.Studies().size() <= p) {
        throw RunError("cannot fit the meta-regression: its " + std::to_string(p) +
                       " coefficients need at least " + std::to_string(p + 1) + " rows, and " +
                       TooFew(rows, p + 1));
    }
    try {
        fitted.model = meta::FitRegression(rows.Studies(), design.x, design.names, options.method,
                                           options.test, options.level);
    } catch (const meta::RankDeficient& e) {
        throw RunError(std::string("--mods: ") + e.what());
    } catch (const meta::NotConverged& e) {
        throw RunError(std::string("--mods: ") + e.what());
    }
    return fitted;
}

std::vector<meta::StudyInfluence> StudyInfluences(const table::PooledRows& rows,
                                                  const meta::Pooled* pooled,
                                                  const FittedRegression* regression,
                                                  std::FILE* err, Progress& progress) {
    const std::size_t k = rows.Studies().size();
    const bool refit = k <= meta::kMostStudiesRefitted;
    if (!refit) {
        std::fprintf(err,
                     "residual and cooks_distance are left empty: each needs the model refitted "
                     "without the study, and %zu refits of %zu studies would take too long (up "
                     "to %zu studies they are computed)\n",
                     k, k - 1, meta::kMostStudiesRefitted);
    }
    if (regression != nullptr) {
        std::vector<meta::StudyInfluence> influence =
            meta::Influence(rows.Studies(), regression->design.x, regression->design.names,
                            regression->model, refit, [&](std::size_t done) {
                                progress.Step("refitting the model without each study", done, k);
                            });
        progress.Done();
        return influence;
    }
    return meta::Influence(rows.Studies(), *pooled, refit);
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
