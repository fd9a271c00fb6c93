#include "meta/model/q_profile.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/tools/roots.hpp>
#include <cstdint>
#include <limits>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The tau^2 in [0, limit] where the generalized Q, which falls as tau^2 grows, equals
// `target`; Q at both ends is given. Since w <= 1 / tau^2, Q(tau^2) <= S / tau^2 with S the
// squares about the unweighted mean: the crossing lies below S / target, often far below the
// limit, and a tight bracket saves evaluations (each a pass over the studies).
double Crossing(const QFunction& q, double target, double atZero, double atLimit, double limit,
                double squares) {
    const auto excess = [&](double tau2) { return q(tau2) - target; };
    double upper = limit;
    double atUpper = atLimit - target;
    if (const double bound = squares / target * (1 + 1e-9); bound < limit) {
        upper = bound;
        atUpper = excess(upper);
    }
    std::uintmax_t evaluations = 300;
    const auto [low, high] = boost::math::tools::toms748_solve(
        excess, 0.0, upper, atZero - target, atUpper, boost::math::tools::eps_tolerance<double>(52),
        evaluations);
    return low + (high - low) / 2;
}

} // namespace

Interval QProfileTau2(const QFunction& q, double residualDf, double squares, double level,
                      double searchLimit) {
    const boost::math::chi_squared_distribution<double> chiSquared(residualDf);
    const double alpha = 1 - level;
    const double upperQuantile = boost::math::quantile(complement(chiSquared, alpha / 2));
    const double lowerQuantile = boost::math::quantile(chiSquared, alpha / 2);
    const double atZero = q(0);
    const double atLimit = q(searchLimit);
    if (atZero < lowerQuantile) {
        return {0, 0}; // even tau^2 = 0 leaves the studies too alike: an empty interval
    }
    const double high = atLimit > lowerQuantile
                            ? kNaN
                            : Crossing(q, lowerQuantile, atZero, atLimit, searchLimit, squares);
    double low = 0;
    if (atLimit > upperQuantile) {
        low = kNaN;
    } else if (!(atZero < upperQuantile)) {
        low = Crossing(q, upperQuantile, atZero, atLimit, searchLimit, squares);
    }
    return {low, high};
}

} // namespace tavrel::meta
