#pragma once

#include "meta/pooling.h"

#include <span>

namespace tavrel::meta {

// Which likelihood: the restricted one (REML) or the full one (ML).
enum class Likelihood { Restricted, Full };

// The REML or ML estimate of tau^2 and how it was reached.
struct RemlEstimate {
    double tau2;
    int iterations; // Fisher scoring steps, plus the root finder's evaluations where it ran
};

// Restricted maximum likelihood for the random-effects model (Viechtbauer 2005, eqs. 8 and 12;
// metafor's rma(method = "REML")): Fisher scoring from `start`, with step halving at the
// boundary tau^2 = 0, until a step is below 1e-12 of tau^2 plus the largest variance. Where
// scoring stalls, cycles or leaves the domain within 100 steps, the REML score equation is
// solved by Boost's TOMS 748 root finder on a bracket [0, U] in which the score changes sign,
// so every table whose maximum exists gets it to the precision of a double. Studies are
// expected on a scale where the largest vi is near 1 (Pool scales them so).
// With Likelihood::Full, the same for maximum likelihood (Viechtbauer 2005, eqs. 7 and 11;
// rma(method = "ML")), whose score is y'PPy - sum w and information sum w^2.
RemlEstimate RestrictedMaximumLikelihood(std::span<const Study> studies, double start,
                                         Likelihood likelihood = Likelihood::Restricted);

} // namespace tavrel::meta
