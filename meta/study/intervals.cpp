#include "meta/study/intervals.h"

#include <boost/math/distributions/non_central_t.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/tools/roots.hpp>
#include <cmath>
#include <limits>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The noncentrality at which P(T < t) = p. P falls as the noncentrality grows.
double NoncentralityFor(double t, double df, double p) {
    const auto excess = [&](double ncp) {
        return boost::math::cdf(boost::math::non_central_t(df, ncp), t) - p;
    };
    double step = 1.0 + std::fabs(t) / 2;
    double low = t - step;
    double high = t + step;
    for (int i = 0; i < 60 && excess(low) < 0; ++i) {
        low -= (step *= 2);
    }
    for (int i = 0; i < 60 && excess(high) > 0; ++i) {
        high += (step *= 2);
    }
    boost::uintmax_t iterations = 200;
    const auto [a, b] = boost::math::tools::toms748_solve(
        excess, low, high, boost::math::tools::eps_tolerance<double>(40), iterations);
    return (a + b) / 2;
}

} // namespace

double TwoSidedZ(double level) {
    // A level so close to 1 that 0.5 + level / 2 rounds to 1 gives infinity, not an exception.
    using Policy = boost::math::policies::policy<
        boost::math::policies::overflow_error<boost::math::policies::ignore_error>>;
    return boost::math::quantile(boost::math::normal_distribution<double, Policy>(),
                                 0.5 + level / 2);
}

Interval NormalInterval(double estimate, double standardDeviation, double z) {
    return {estimate - z * standardDeviation, estimate + z * standardDeviation};
}

namespace {

// Where the exact inversion is trusted, and where the approximation may stand in for it.
constexpr double kExactUpTo = 1e7;
constexpr double kApproximateFrom = 1e4;

double Scale(std::int64_t n1, std::int64_t n2) {
    return std::sqrt(static_cast<double>(n1) * static_cast<double>(n2) /
                     static_cast<double>(n1 + n2));
}

// P(T <= t) is about Phi((t (1 - 1/(4 df)) - ncp) / sqrt(1 + t^2 / (2 df))), solved for ncp.
Interval ApproximateNoncentrality(double t, double df, double level) {
    const double z = TwoSidedZ(level);
    const double centre = t * (1 - 1 / (4 * df));
    const double spread = z * std::sqrt(1 + t * t / (2 * df));
    return {centre - spread, centre + spread};
}

} // namespace

Interval ApproximateNoncentralDInterval(double d, std::int64_t n1, std::int64_t n2, double level) {
    const double scale = Scale(n1, n2);
    const Interval ncp =
        ApproximateNoncentrality(d * scale, static_cast<double>(n1 + n2 - 2), level);
    return {ncp.low / scale, ncp.high / scale};
}

NoncentralInterval NoncentralDInterval(double d, std::int64_t n1, std::int64_t n2, double level) {
    if (!std::isfinite(d) || n1 < 2 || n2 < 2) {
        return {{kNaN, kNaN}, false};
    }
    const double scale = Scale(n1, n2);
    const double t = d * scale;
    const auto df = static_cast<double>(n1 + n2 - 2);
    const double tail = (1 - level) / 2;
    if (df <= kExactUpTo) {
        try {
            return {
                {NoncentralityFor(t, df, 1 - tail) / scale, NoncentralityFor(t, df, tail) / scale},
                true};
        } catch (const std::exception&) {
            // A noncentrality beyond what Boost evaluates.
        }
    }
    if (df < kApproximateFrom) {
        return {{kNaN, kNaN}, false};
    }
    return {ApproximateNoncentralDInterval(d, n1, n2, level), true};
}

} // namespace tavrel::meta
