#include "meta/model/moment_estimators.h"

#include "meta/model/heterogeneity.h"

#include <algorithm>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <cstdint>

namespace tavrel::meta {

double HedgesTau2(std::span<const Study> studies) {
    const auto k = static_cast<double>(studies.size());
    double sumV = 0;
    for (const Study& study : studies) {
        sumV += study.vi;
    }
    return std::max(0.0, SquaresAboutTheMean(studies) / (k - 1) - sumV / k);
}

double HunterSchmidtTau2(std::span<const Study> studies) {
    double sumW = 0;
    for (const Study& study : studies) {
        sumW += 1 / study.vi;
    }
    const double q = FixedEffectHeterogeneity(studies).q;
    return std::max(0.0, (q - static_cast<double>(studies.size())) / sumW);
}

double SidikJonkmanTau2(std::span<const Study> studies) {
    const auto k = static_cast<double>(studies.size());
    const double start = SquaresAboutTheMean(studies) / k;
    return start * GeneralizedQ(studies, start) / (k - 1);
}

double PauleMandelTau2(std::span<const Study> studies) {
    return PauleMandelTau2([&](double tau2) { return GeneralizedQ(studies, tau2); },
                           static_cast<double>(studies.size()) - 1, SquaresAboutTheMean(studies));
}

double PauleMandelTau2(const QFunction& q, double residualDf, double squares) {
    const double target = residualDf;
    const auto excess = [&](double tau2) { return q(tau2) - target; };
    const double atZero = excess(0);
    if (!(atZero > 0)) {
        return 0;
    }
    // Q(tau^2) <= S / tau^2, S the residual squares of the unweighted fit: below k - p once
    // tau^2 exceeds S / (k - p). Doubled, for a bracket whose upper end is strictly negative.
    const double upper = 2 * squares / target;
    std::uintmax_t evaluations = 200;
    const auto [low, high] = boost::math::tools::toms748_solve(
        excess, 0.0, upper, atZero, excess(upper), boost::math::tools::eps_tolerance<double>(52),
        evaluations);
    return low + (high - low) / 2;
}

} // namespace tavrel::meta
