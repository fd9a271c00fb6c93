#pragma once

#include "meta/model/model_settings.h"

#include <span>

namespace tavrel::meta {

// What the fixed-effect weights 1 / vi say about the spread of the studies.
struct Heterogeneity {
    double q;                // Cochran's Q
    double dersimonianLaird; // tau^2 by the method of moments, at least 0
    double typicalVariance;  // (k - 1) / (sum w - sum w^2 / sum w): I^2's within-study part
};

Heterogeneity FixedEffectHeterogeneity(std::span<const Study> studies);

// The weighted mean of the studies with weights 1 / (vi + tau2), and the sum of the weights.
struct WeightedMean {
    double mean;
    double weightSum;
};
WeightedMean Mean(std::span<const Study> studies, double tau2);

// The sum of squares about the unweighted mean: bounds every weighted Q, as w <= 1 / tau^2.
double SquaresAboutTheMean(std::span<const Study> studies);

// The generalized Q: sum w (y - mu_w)^2 with w = 1 / (v + tau2), falling as tau2 grows.
double GeneralizedQ(std::span<const Study> studies, double tau2);

} // namespace tavrel::meta
