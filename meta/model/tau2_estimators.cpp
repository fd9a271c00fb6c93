#include "meta/model/tau2_estimators.h"

#include "meta/model/likelihood.h"
#include "meta/model/scaled_studies.h"

#include <algorithm>
#include <boost/math/tools/roots.hpp>
#include <cstdint>
#include <limits>

namespace tavrel::meta {

namespace {

// The tau^2 where the generalized Q falls to k - p; 0 where Q at 0 is already at most k - p.
// Q decreases in tau^2, and Q(tau^2) <= S / tau^2 with S the unweighted fit's residual squares:
// the root lies below 2 S / (k - p), a bracket whose upper end is strictly negative. Boost's
// TOMS 748 finds it to the precision of a double.
double PauleMandelTau2(std::span<const Study> studies, const FitDesign& x, double residualDf) {
    const auto excess = [&](double tau2) { return ResidualQ(studies, x, tau2) - residualDf; };
    const double atZero = excess(0);
    if (!(atZero > 0)) {
        return 0;
    }
    const double upper = 2 * FitUnweighted(studies, x).squares / residualDf;
    std::uintmax_t evaluations = 200;
    const auto [low, high] = boost::math::tools::toms748_solve(
        excess, 0.0, upper, atZero, excess(upper), boost::math::tools::eps_tolerance<double>(52),
        evaluations);
    return low + (high - low) / 2;
}

Tau2Estimate MaximumLikelihoodTau2(std::span<const Study> studies, const FitDesign& x,
                                   Likelihood likelihood, double start, double squares) {
    const double residualDf = static_cast<double>(x.Rows() - x.Cols());
    double largest = 0;
    for (const Study& study : studies) {
        largest = std::max(largest, study.vi);
    }
    const auto score = [&](double tau2) {
        const WeightedFit fit = FitWeighted(studies, x, tau2, FitParts::Sums);
        return likelihood == Likelihood::Full
                   ? LikelihoodScore{fit.residualSquares - fit.sumW, fit.sumW2}
                   : LikelihoodScore{fit.residualSquares - fit.traceP, fit.tracePP};
    };
    const auto logLikelihood = [&](double tau2) {
        return LogLikelihood(studies, x, tau2, likelihood == Likelihood::Restricted);
    };
    const LikelihoodEstimate estimate =
        MaximizeLikelihood(score, logLikelihood, start, largest,
                           ScoreBracketEnd(largest, squares, residualDf), likelihood);
    return {estimate.tau2, estimate.iterations};
}

} // namespace

Tau2Estimate EstimateTau2(std::span<const Study> studies, const FitDesign& x, Method method) {
    const auto k = static_cast<double>(x.Rows());
    const double residualDf = k - static_cast<double>(x.Cols());
    const auto hedges = [&](const UnweightedFit& ols) {
        return std::max(0.0, (ols.squares - ols.traceVarianceResidual) / residualDf);
    };
    switch (method) {
    case Method::FE:
    case Method::EE:
    case Method::CE:
        return {0, 0};
    case Method::DL: {
        const WeightedFit fixed = FitWeighted(studies, x, 0, FitParts::Sums);
        return {std::max(0.0, (fixed.q - residualDf) / fixed.traceP), 0};
    }
    case Method::HS: {
        const WeightedFit fixed = FitWeighted(studies, x, 0, FitParts::Sums);
        return {std::max(0.0, (fixed.q - k) / fixed.sumW), 0};
    }
    case Method::HE:
        return {hedges(FitUnweighted(studies, x)), 0};
    case Method::SJ: {
        const double start = SquaresAboutTheMean(studies) / k;
        return {start * ResidualQ(studies, x, start) / residualDf, 0};
    }
    case Method::PM:
    case Method::EB:
        return {PauleMandelTau2(studies, x, residualDf), 0};
    case Method::REML:
    case Method::ML: {
        const UnweightedFit ols = FitUnweighted(studies, x);
        return MaximumLikelihoodTau2(
            studies, x, method == Method::ML ? Likelihood::Full : Likelihood::Restricted,
            hedges(ols), ols.squares);
    }
    }
    return {std::numeric_limits<double>::quiet_NaN(), 0};
}

} // namespace tavrel::meta
