#pragma once

#include "meta/model/model_settings.h"
#include "meta/fit/weighted_fit.h"

#include <span>
#include <stdexcept>

namespace tavrel::meta {

// A regression test for funnel-plot asymmetry, as metafor's regtest() gives it: the studies'
// effects regressed on their standard errors (Egger, Davey Smith, Schneider and Minder 1997,
// BMJ 315:629) or their variances (PEESE: Stanley and Doucouliagos 2014, Res Synth Methods
// 5:60) in a mixed-effects meta-regression of the pooled model's method and test.
enum class AsymmetryPredictor { StandardError, Variance };
struct AsymmetryTest {
    double statistic; // the predictor's z, or t under Knapp and Hartung
    double df;        // k - 2 under Knapp and Hartung; NaN under z
    double p;
    // The intercept: the effect a study of standard error 0 would find, with its interval.
    double limit, limitCiLow, limitCiHigh;
};

// The regression's design: an intercept, and each study's standard error or variance.
Design AsymmetryDesign(std::span<const Study> studies, AsymmetryPredictor predictor);

// Fewer studies than a test needs; the message says how many it has and needs.
class TooFewStudies : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

// Needs 3 studies (1 degree of freedom). Throws TooFewStudies below that, RankDeficient where
// every study has the same variance, NotConverged where the likelihood has no maximum.
AsymmetryTest RegressionTest(std::span<const Study> studies, AsymmetryPredictor predictor,
                             const ModelSettings& settings);

// Rosenthal's fail-safe N (Rosenthal 1979, Psychol Bull 86:638), as metafor's fsn(): how many
// studies averaging no effect would bring Stouffer's combined one-sided p up to .05. Rounded
// up, as metafor rounds it.
double FailSafeN(std::span<const Study> studies);

} // namespace tavrel::meta
