#include "meta/small_study/small_study_effects.h"

#include "meta/model/model.h"

#include <cmath>
#include <future>
#include <stdexcept>
#include <utility>

namespace tavrel::meta {

namespace {

// From this many studies the regressions and the rank test run side by side: each takes a
// tenth of a second or more on a million studies, and each reads the studies and nothing else.
constexpr std::size_t kFewestSideBySide = 10'000;

// A test's result, or the note of why it could not be had.
template <class Result> struct Outcome {
    std::optional<Result> result;
    std::string note;
};

// The test's result, or its absence with a note of why: too few studies, variances all alike,
// a likelihood without a maximum.
template <class Compute>
auto Attempt(const char* name, Compute compute) -> Outcome<decltype(compute())> {
    try {
        return {compute(), {}};
    } catch (const RankDeficient&) {
        return {std::nullopt,
                std::string(name) + ": not computed: every study has the same standard error"};
    } catch (const std::invalid_argument& e) { // too few studies
        return {std::nullopt, std::string(name) + ": not computed: " + e.what()};
    } catch (const NotConverged& e) {
        return {std::nullopt, std::string(name) + ": not computed: " + e.what()};
    }
}

template <class Result>
void Take(Outcome<Result> outcome, std::optional<Result>& result, std::vector<std::string>& notes) {
    result = std::move(outcome.result);
    if (!outcome.note.empty()) {
        notes.push_back(std::move(outcome.note));
    }
}

} // namespace

SmallStudyEffects AssessSmallStudyEffects(std::span<const Study> studies, const Model& pooled,
                                          bool trimFill) {
    SmallStudyEffects effects{};
    effects.trimFillAsked = trimFill;
    const auto regression = [&](AsymmetryPredictor predictor) {
        return [&, predictor] { return RegressionTest(studies, predictor, pooled.settings); };
    };
    const std::launch policy =
        studies.size() >= kFewestSideBySide ? std::launch::async : std::launch::deferred;
    auto peese = std::async(
        policy, [&] { return Attempt("PEESE", regression(AsymmetryPredictor::Variance)); });
    auto rank = std::async(policy, [&] { return RankTest(studies); });
    Take(Attempt("Egger's test", regression(AsymmetryPredictor::StandardError)), effects.egger,
         effects.notes);
    Take(peese.get(), effects.peese, effects.notes);
    effects.rank = rank.get();
    if (std::isnan(effects.rank->tau)) {
        effects.rank.reset();
        effects.notes.emplace_back("Begg's test: not computed: every study has the same "
                                   "variance or the same standardized effect");
    }
    if (trimFill) {
        Take(Attempt("Trim-and-fill", [&] { return FillMissingStudies(studies, pooled); }),
             effects.trimFill, effects.notes);
    }
    effects.failSafeN = FailSafeN(studies);
    return effects;
}

} // namespace tavrel::meta
