#include "analysis/analysis.h"

#include "meta/diagnostics/leave_one_out.h"

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
    }
}

void FitModerators(const AnalysisRequest& request, const table::PooledRows& rows,
                   Analysis& analysis) {
    const meta::ModelSettings& m = request.model;
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
    analysis.model = Fitted(
        "--mods: ", [&] { return meta::FitModel(rows.Studies(), design.x, design.names, m); });
}

// Each subgroup on its own, their differences, and the groups as a moderator under one tau^2
// (none where there is one group, or a study to each group: nothing left to test by).
void PoolSubgroups(const meta::ModelSettings& m, const table::PooledRows& rows,
                   Analysis& analysis) {
    analysis.subgroups =
        Fitted("--by: ", [&] { return meta::PoolSubgroups(rows.Studies(), rows.Groups(), m); });
    analysis.differences = meta::SubgroupDifferences(analysis.subgroups);
    const table::ModeratorDesign design = table::GroupDesign(rows.Groups());
    if (design.x.cols() >= 2 && design.x.rows() > design.x.cols()) {
        analysis.moderatorTest = Fitted("--by: ", [&] {
            return meta::FitModel(rows.Studies(), design.x, design.names, m,
                                  meta::ModelExtras::None);
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
        analysis.model = Fitted("", [&] { return meta::FitModel(rows.Studies(), m); });
        if (request.bySubgroup) {
            PoolSubgroups(m, rows, analysis);
        }
        analysis.smallStudy =
            meta::AssessSmallStudyEffects(rows.Studies(), analysis.model, request.trimFill);
        if (request.leaveOneOut) {
            analysis.leftOneOut =
                Fitted("--leave-one-out: ", [&] { return meta::LeaveOneOut(rows.Studies(), m); });
        }
    }
    if (request.influence) {
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
