#include "meta/small_study/small_study_effects.h"

#include "meta/model/model.h"

#include <cmath>
#include <stdexcept>

namespace tavrel::meta {

namespace {

// The test's result, or its absence with a note of why: too few studies, variances all alike,
// a likelihood without a maximum.
template <class Compute>
auto Attempt(const char* name, std::vector<std::string>& notes, Compute compute)
    -> std::optional<decltype(compute())> {
    try {
        return compute();
    } catch (const RankDeficient&) {
        notes.push_back(std::string(name) +
                        ": not computed: every study has the same standard error");
    } catch (const std::invalid_argument& e) { // too few studies
        notes.push_back(std::string(name) + ": not computed: " + e.what());
    } catch (const NotConverged& e) {
        notes.push_back(std::string(name) + ": not computed: " + e.what());
    }
    return std::nullopt;
}

} // namespace

SmallStudyEffects AssessSmallStudyEffects(std::span<const Study> studies, const Model& pooled,
                                          bool trimFill) {
    SmallStudyEffects effects{};
    effects.trimFillAsked = trimFill;
    std::vector<std::string>& notes = effects.notes;
    const auto regression = [&](AsymmetryPredictor predictor) {
        return [&, predictor] { return RegressionTest(studies, predictor, pooled.settings); };
    };
    effects.egger = Attempt("Egger's test", notes, regression(AsymmetryPredictor::StandardError));
    effects.peese = Attempt("PEESE", notes, regression(AsymmetryPredictor::Variance));
    effects.rank = RankTest(studies);
    if (std::isnan(effects.rank->tau)) {
        effects.rank.reset();
        notes.emplace_back("Begg's test: not computed: every study has the same variance or the "
                           "same standardized effect");
    }
    if (trimFill) {
        effects.trimFill =
            Attempt("Trim-and-fill", notes, [&] { return FillMissingStudies(studies, pooled); });
    }
    effects.failSafeN = FailSafeN(studies);
    return effects;
}

} // namespace tavrel::meta
