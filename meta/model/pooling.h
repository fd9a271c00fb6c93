#pragma once

#include "meta/model/model_settings.h"

#include <array>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrel::meta {

// The pooled estimate of an intercept-only meta-analysis, as metafor's rma() and predict()
// give it. Values that do not exist (a p value of a Q with no degrees of freedom) are NaN.
struct Pooled {
    Method method;
    Test test;
    double level;
    std::size_t k;
    double estimate;
    double se;
    double statistic; // z, or t with k - 1 degrees of freedom
    double p;
    double ciLow, ciHigh;
    double tau2, tau;
    double i2; // percent
    double h2;
    double q;
    double qDf;
    double qP;
    double piLow, piHigh; // prediction interval; the confidence interval for FE
    int iterations;       // REML's Fisher steps and root-finder evaluations; 0 for the others
    double weightSum;     // the sum of the model's weights 1 / (vi + tau2)
    // The Q-profile confidence intervals of the heterogeneity (QProfileTau2); NaN for a model
    // without tau^2 and for a bound that is not found.
    double tau2CiLow, tau2CiHigh;
    double tauCiLow, tauCiHigh;
    double i2CiLow, i2CiHigh;
    double h2CiLow, h2CiHigh;
};

// A study's share of the model's total weight, in percent.
double WeightPercent(const Pooled& pooled, const Study& study);

// Pools at least two studies whose variances are positive and finite. REML as
// RestrictedMaximumLikelihood (meta/model/reml.h) finds it: Fisher scoring, and a bracketed root
// finder where scoring does not settle. The studies are pooled on a scale where the largest
// variance is near 1, which changes no digit and keeps the weights within a double's range.
// With HeterogeneityIntervals::None, the Q-profile intervals are left NaN: a refit that only
// needs the estimate (leave-one-out) skips their root finding.
enum class HeterogeneityIntervals { QProfile, None };
Pooled Pool(std::span<const Study> studies, const ModelSettings& settings,
            HeterogeneityIntervals intervals = HeterogeneityIntervals::QProfile);

} // namespace tavrel::meta
