#pragma once

#include "meta/multilevel/level_fit.h"
#include "meta/study/intervals.h"

#include <array>

namespace tavrel::meta {

// The components where the likelihood peaks, its value there, and the steps it took.
struct LevelEstimate {
    Components components;
    double logLikelihood;
    int iterations;
};

// Which components are estimated; the others stay at the values they start from.
using FreeComponents = std::array<bool, 2>;

// The restricted or full likelihood's maximum over the free components (>= 0), by Newton's
// method on the observed information, or Fisher scoring where that is not positive definite,
// each step halved until the likelihood rises, a component that reaches 0 with a score not
// above 0 held there (Kuhn-Tucker), until every step is below 1e-10 of the component plus
// `largest` (the largest vi). Throws NotConverged, naming the component, after 200 steps.
LevelEstimate ClimbLikelihood(LevelFitter& fitter, Likelihood likelihood, Components start,
                              FreeComponents free, double largest);

// The global maximum: the climb from `start` compared with the climbs on each boundary (one
// component 0) and with both at 0; where they tie within rounding the climb from `start` stands.
LevelEstimate MaximizeLevels(LevelFitter& fitter, Likelihood likelihood, Components start,
                             double largest);

// The profile-likelihood interval of one component (metafor's confint() of an rma.mv model):
// where twice the fall of the likelihood, maximized over the other component, reaches the
// chi-square quantile with 1 degree of freedom at `level`. The lower bound is 0 where the
// profile at 0 is within the quantile; the upper bound is searched up to `searchLimit`, and one
// beyond it is not found: NaN. Each bound to about 1e-9 of itself.
Interval ProfileInterval(LevelFitter& fitter, Likelihood likelihood, const LevelEstimate& best,
                         int component, double level, double searchLimit, double largest);

// The components' names as messages give them.
const char* ComponentName(int component);

} // namespace tavrel::meta
