#pragma once

#include "meta/model/model.h"
#include "meta/small_study/publication_bias.h"
#include "meta/small_study/rank_correlation.h"
#include "meta/small_study/trim_and_fill.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrel::meta {

// What a meta-analysis reports of small-study effects and publication bias. A test that
// cannot be had is absent, and a line of `notes` says why ("Egger's test: not computed: it
// needs at least 3 studies, and there are 2").
struct SmallStudyEffects {
    std::optional<AsymmetryTest> egger; // on the standard error
    std::optional<AsymmetryTest> peese; // on the variance
    std::optional<RankCorrelation> rank;
    bool trimFillAsked;                  // its keys are written then, null or not
    std::optional<TrimAndFill> trimFill; // only where asked for
    double failSafeN;
    std::vector<std::string> notes;
};

// Every test on the studies of `pooled`, by its method, test and level.
SmallStudyEffects AssessSmallStudyEffects(std::span<const Study> studies, const Model& pooled,
                                          bool trimFill);

} // namespace tavrel::meta
