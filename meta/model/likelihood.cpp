#include "meta/model/likelihood.h"

#include <algorithm>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstdint>
#include <string>

namespace tavrel::meta {

namespace {

constexpr int kMostScoringSteps = 100;
constexpr int kMostHalvings = 60;
constexpr double kRelativeThreshold = 1e-12;
// Below this share of the largest variance a converged tau^2 is the boundary, where the score
// at 0 is not positive.
constexpr double kBoundary = 1e-8;

// The root of the score in [0, upper], or 0 where the score is not positive at 0.
LikelihoodEstimate SolveScore(const ScoreFunction& scoreAt, double upper, int stepsTaken,
                              Likelihood likelihood) {
    const auto score = [&](double tau2) { return scoreAt(tau2).score; };
    const double atZero = score(0);
    if (!(atZero > 0)) {
        return {0, stepsTaken + 1};
    }
    const double atUpper = score(upper);
    if (!(atUpper < 0) || !std::isfinite(atZero)) {
        throw NotConverged(std::string(likelihood == Likelihood::Full ? "ML" : "REML") +
                           ": the score equation has no root that a double can hold");
    }
    std::uintmax_t evaluations = 200;
    const auto [low, high] = boost::math::tools::toms748_solve(
        score, 0.0, upper, atZero, atUpper, boost::math::tools::eps_tolerance<double>(52),
        evaluations);
    return {low + (high - low) / 2, stepsTaken + static_cast<int>(evaluations)};
}

} // namespace

// With w = 1 / (v + tau^2), y'PPy <= max(w)^2 S, where S is the residual sum of squares of the
// unweighted fit, and tr P >= (k - p) min(w). For tau^2 >= max v both give
//   score <= S / tau^4 - (k - p) / (2 tau^2),
// which is negative once tau^2 > 2 S / (k - p); ML's score, with sum w >= k min(w) in place of
// tr P, is negative sooner.
double ScoreBracketEnd(double largest, double squares, double residualDf) {
    return 2 * std::max(largest, 2 * squares / residualDf);
}

namespace {

LikelihoodEstimate ScoreRoot(const ScoreFunction& scoreAt, double start, double largest,
                             double upper, Likelihood likelihood) {
    double tau2 = start;
    for (int steps = 1; steps <= kMostScoringSteps; ++steps) {
        const LikelihoodScore s = scoreAt(tau2);
        double step = s.score / s.information;
        if (!std::isfinite(step)) {
            return SolveScore(scoreAt, upper, steps, likelihood);
        }
        // A step below 0 is halved until it stays in the domain; where halving cannot get it
        // there, the boundary itself is taken.
        for (int halvings = 0; tau2 + step < 0; ++halvings) {
            step = halvings < kMostHalvings ? step / 2 : -tau2;
        }
        tau2 += step;
        if (std::fabs(step) <= kRelativeThreshold * (tau2 + largest)) {
            // Creeping towards the boundary, scoring stops a hair above it: where the score
            // at 0 says the maximum is there, it is there.
            if (tau2 <= kBoundary * largest && !(scoreAt(0).score > 0)) {
                tau2 = 0;
            }
            return {tau2, steps};
        }
    }
    return SolveScore(scoreAt, upper, kMostScoringSteps, likelihood);
}

} // namespace

LikelihoodEstimate MaximizeLikelihood(const ScoreFunction& scoreAt,
                                      const LogLikelihoodFunction& logLikelihoodAt, double start,
                                      double largest, double upper, Likelihood likelihood) {
    LikelihoodEstimate found = ScoreRoot(scoreAt, start, largest, upper, likelihood);
    if (found.tau2 > 0) {
        // Higher beyond rounding: where the likelihood is flat the root found stands.
        const double atRoot = logLikelihoodAt(found.tau2);
        if (logLikelihoodAt(0) - atRoot > 1e-12 * (1 + std::fabs(atRoot))) {
            found.tau2 = 0;
        }
    }
    return found;
}

} // namespace tavrel::meta
