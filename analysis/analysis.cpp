#include "analysis/analysis.h"

#include "meta/diagnostics/leave_one_out.h"
#include "meta/multilevel/cluster_robust.h"
#include "meta/multilevel/multilevel_model.h"

#include <cmath>
#include <iterator>
#include <string>
#include <utility>

namespace tavrel::analysis {

namespace {

// Why there are too few rows to pool: how many have an effect size, and why the others not.
std::string TooFew(const table::PooledRows& rows, std::size_t needed) {
    const std::size_t k = rows.Studies().size();
    const std::size_t total = k + rows.LeftOut();
    std::string why = std::to_string(k) + " of " + std::to_string(total) +
                      (total == 1 ? " row" : " rows") + (k == 1 ? " has" : " have") +
                      " an effect size, and pooling needs at least " + std::to_string(needed);
    if (rows.LeftOut() > 0) {
        why += "; left out: " + LeftOutText(rows);
    }
    return why;
}

// Runs `fit`, its failures said with `what` before them.
template <class Fit> auto Fitted(const std::string& what, Fit fit) {
    try {
        return fit();
    } catch (const meta::NotConverged& e) {
        throw AnalysisError(what + e.what());
    } catch (const meta::RankDeficient& e) {
        throw AnalysisError(what + e.what());
    } catch (const std::invalid_argument& e) {
        throw AnalysisError(what + e.what());
    }
}

// Whether the rows are fitted by the three-level model.
bool ThreeLevel(const AnalysisRequest& request, const table::PooledRows& rows) {
    return rows.Clustered() && meta::FitsLevels(request.model.method);
}

// The rows' model on the design: the three-level one where ThreeLevel, else the usual one.
meta::Model FitRows(const AnalysisRequest& request, const table::PooledRows& rows,
                    const table::ModeratorDesign& design, const std::string& what,
                    Analysis& analysis) {
    if (!ThreeLevel(request, rows)) {
        return Fitted(what, [&] {
            return meta::FitModel(rows.Studies(), design.x, design.names, request.model);
        });
    }
    if (const std::size_t split = rows.SplitClusters(); split > 0) {
        analysis.notes.push_back(
            "--cluster: " + std::to_string(split) +
            (split == 1 ? " cluster has" : " clusters have") +
            " rows apart, other clusters' rows between them (the first: \"" +
            rows.FirstSplitCluster() + "\", again at row " + std::to_string(rows.FirstSplitRow()) +
            "); rows with the same text are one cluster wherever they stand, so check that no "
            "study's name or number was given to another");
    }
    std::string note;
    meta::Model model = Fitted(what.empty() ? "--cluster: " : what, [&] {
        return meta::FitClustered(rows.Studies(), rows.Clusters(), design.x, design.names,
                                  request.model, note);
    });
    if (!note.empty()) {
        analysis.notes.push_back("--cluster: " + note);
    }
    return model;
}

// The CR2 sandwich by cluster on the fitted model's weights.
void AddRobust(const AnalysisRequest& request, const table::PooledRows& rows, Analysis& analysis) {
    const meta::Model& model = analysis.model;
    const meta::Components components =
        model.levels ? meta::Components{model.levels->sigma2Between, model.levels->sigma2Within}
                     : meta::Components{0, model.tau2};
    analysis.model.robust = Fitted("--robust: ", [&] {
        return meta::ClusterRobust(rows.Studies(), rows.Clusters(), analysis.design.x,
                                   analysis.design.names, components, request.model.level);
    });
}

void FitModerators(const AnalysisRequest& request, const table::PooledRows& rows,
                   Analysis& analysis) {
    if (rows.Studies().empty()) {
        throw AnalysisError("cannot fit the meta-regression: " + TooFew(rows, 2));
    }
    try {
        analysis.design = table::DesignOf(request.moderators, rows.Moderators());
    } catch (const table::ModeratorError& e) {
        throw AnalysisError(e.what());
    }
    const table::ModeratorDesign& design = analysis.design;
    const auto p = static_cast<std::size_t>(design.x.cols());
    if (rows.Studies().size() <= p) {
        throw AnalysisError("cannot fit the meta-regression: its " + std::to_string(p) +
                            " coefficients need at least " + std::to_string(p + 1) + " rows, and " +
                            TooFew(rows, p + 1));
    }
    analysis.model = FitRows(request, rows, design, "--mods: ", analysis);
}

// Each subgroup on its own, their differences, and the groups as a moderator under one tau^2
// (none where there is one group, or a study to each group: nothing left to test by).
void PoolSubgroups(const AnalysisRequest& request, const table::PooledRows& rows,
                   Analysis& analysis) {
    const meta::ModelSettings& m = request.model;
    const std::span<const std::string> clusters =
        ThreeLevel(request, rows) ? std::span<const std::string>(rows.Clusters())
                                  : std::span<const std::string>();
    analysis.subgroups = Fitted(
        "--by: ", [&] { return meta::PoolSubgroups(rows.Studies(), rows.Groups(), m, clusters); });
    analysis.differences = meta::SubgroupDifferences(analysis.subgroups);
    const table::ModeratorDesign design = table::GroupDesign(rows.Groups());
    if (design.x.cols() >= 2 && design.x.rows() > design.x.cols()) {
        analysis.moderatorTest = Fitted("--by: ", [&] {
            std::string note;
            return clusters.empty()
                       ? meta::FitModel(rows.Studies(), design.x, design.names, m,
                                        meta::ModelExtras::None)
                       : meta::FitClustered(rows.Studies(), clusters, design.x, design.names, m,
                                            note, meta::ModelExtras::None);
        });
    }
}

// Each pooled study's part in the model; the refits only up to meta::kMostStudiesRefitted.
void AddInfluence(const table::PooledRows& rows, const Progress& progress, Analysis& analysis) {
    const std::size_t k = rows.Studies().size();
    const bool refit = k <= meta::kMostStudiesRefitted;
    if (!refit) {
        analysis.notes.push_back(
            "residual and cooks_distance are left empty: each needs the model refitted without "
            "the study, and " +
            std::to_string(k) + " refits of " + std::to_string(k - 1) +
            " studies would take too long (up to " + std::to_string(meta::kMostStudiesRefitted) +
            " studies they are computed)");
    }
    analysis.influence = meta::Influence(
        rows.Studies(), analysis.design.x, analysis.model, refit, [&](std::size_t done) {
            if (progress) {
                progress("refitting the model without each study", done, k);
            }
        });
}

} // namespace

Analysis Analyse(const AnalysisRequest& request, const table::PooledRows& rows,
                 const Progress& progress) {
    const meta::ModelSettings& m = request.model;
    Analysis analysis;
    if (!request.moderators.empty()) {
        FitModerators(request, rows, analysis);
    } else {
        if (rows.Studies().size() < 2) {
            throw AnalysisError("cannot pool: " + TooFew(rows, 2));
        }
        const std::size_t k = rows.Studies().size();
        analysis.design = {meta::InterceptOnly(k), {meta::kInterceptName}, {}};
        analysis.model = FitRows(request, rows, analysis.design, "", analysis);
        if (request.bySubgroup) {
            PoolSubgroups(request, rows, analysis);
        }
        if (!analysis.model.levels) {
            analysis.smallStudy =
                meta::AssessSmallStudyEffects(rows.Studies(), analysis.model, request.trimFill);
        }
        if (request.leaveOneOut && !analysis.model.levels) {
            analysis.leftOneOut =
                Fitted("--leave-one-out: ", [&] { return meta::LeaveOneOut(rows.Studies(), m); });
        }
    }
    if (request.robust) {
        AddRobust(request, rows, analysis);
    }
    if (analysis.model.levels) {
        analysis.notes.push_back(
            "the three-level model: the small-study tests and each row's residual, hat value and "
            "Cook's distance are the two-level model's, and are not computed");
        if (request.influence) {
            // Each row's weight alone, diag(V^-1) as metafor gives it.
            const double nan = std::nan("");
            for (const double weight : analysis.model.rowWeights) {
                analysis.influence.push_back({weight, nan, nan, nan});
            }
        }
    } else if (request.influence) {
        AddInfluence(rows, progress, analysis);
    }
    return analysis;
}

std::string LeftOutText(const table::PooledRows& rows) {
    using table::LeftOutReason;
    static constexpr std::pair<LeftOutReason, const char*> kReasons[] = {
        {LeftOutReason::MissingValue, "with a missing value"},
        {LeftOutReason::NotANumber, "with a value that is not a number"},
        {LeftOutReason::OutOfRange, "with a value out of range"},
        {LeftOutReason::FieldCount, "with the wrong number of fields"},
        {LeftOutReason::NotFinite, "whose effect size is not finite"},
        {LeftOutReason::NoModerator, "with a missing moderator"},
        {LeftOutReason::NoCluster, "with a missing cluster"},
    };
    static_assert(std::size(kReasons) == table::kLeftOutReasons);
    std::string text;
    for (const auto& [reason, words] : kReasons) {
        if (const std::size_t count = rows.LeftOut(reason); count > 0) {
            text += (text.empty() ? "" : ", ") + std::to_string(count) + " " + words;
        }
    }
    return text;
}

} // namespace tavrel::analysis
