#pragma once

#include "meta/model/model_settings.h"

#include <functional>
#include <span>

namespace tavrel::meta {

// Which likelihood: the restricted one (REML) or the full one (ML).
enum class Likelihood { Restricted, Full };

// The REML or ML estimate of tau^2 and how it was reached.
struct LikelihoodEstimate {
    double tau2;
    int iterations; // Fisher scoring steps, plus the root finder's evaluations where it ran
};

// What one tau^2 gives: the score (twice the derivative of the log-likelihood; y'PPy - tr P for
// REML) and the Fisher information's matching term (tr PP for REML).
struct LikelihoodScore {
    double score;
    double information;
};
using ScoreFunction = std::function<LikelihoodScore(double tau2)>;
// The log-likelihood itself, up to a constant.
using LogLikelihoodFunction = std::function<double(double tau2)>;

// Restricted or full maximum likelihood of tau^2 (Viechtbauer 2005, eqs. 7, 8, 11 and 12;
// metafor's rma(method = "REML") and "ML"): Fisher scoring from `start`, with step halving at the
// boundary tau^2 = 0, until a step is below 1e-12 of tau^2 plus `largest` (the largest vi).
// Where scoring stalls, cycles or leaves the domain within 100 steps, the score equation is
// solved by Boost's TOMS 748 root finder on [0, upper], where the score is negative at `upper`,
// so every table whose maximum exists gets it to the precision of a double. Studies are
// expected on a scale where the largest vi is near 1. The likelihood may peak both inside and at
// the boundary tau^2 = 0 (a meta-regression by ML can): the root found is compared with the
// boundary, and the higher of the two is the estimate.
LikelihoodEstimate MaximizeLikelihood(const ScoreFunction& scoreAt,
                                      const LogLikelihoodFunction& logLikelihoodAt, double start,
                                      double largest, double upper, Likelihood likelihood);

// An upper end of that bracket: `squares` is the residual sum of squares of the unweighted
// fit (about the mean for an intercept-only model) and `residualDf` is k - p.
double ScoreBracketEnd(double largest, double squares, double residualDf);

} // namespace tavrel::meta
