#include "meta/study/conversions.h"

#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <map>
#include <utility>

namespace tavrel::meta {

namespace {

// Far tails give 0 or infinity rather than an exception; the callers judge the result. In
// double precision throughout (Boost would promote to long double): about 1e-15 relative,
// and a row of a million-row table costs a third of the time.
using Policy = boost::math::policies::policy<
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::promote_double<false>>;
using StudentsT = boost::math::students_t_distribution<double, Policy>;
using LongStudentsT = boost::math::students_t_distribution<long double, Policy>;

// Below this p the t quantile is computed in long double (AbsoluteTFromP).
constexpr double kSmallestPInDouble = 1e-280;

double Scale(std::int64_t n1, std::int64_t n2) {
    return std::sqrt(1.0 / static_cast<double>(n1) + 1.0 / static_cast<double>(n2));
}

} // namespace

double DFromT(double t, std::int64_t n1, std::int64_t n2) {
    return t * Scale(n1, n2);
}

double TFromD(double d, std::int64_t n1, std::int64_t n2) {
    return d / Scale(n1, n2);
}

double TwoSidedP(double t, double df) {
    return 2 * boost::math::cdf(boost::math::complement(StudentsT(df), std::fabs(t)));
}

double AbsoluteTFromP(double p, double df) {
    if (p >= 1) {
        return 0;
    }
    // The upper quantile at p / 2, computed as a complement so that small p keep their digits.
    // Near and below the smallest normal double the double-precision inversion loses its way
    // (1 % off at 1e-310, infinite at 1e-320); there it runs in long double, whose range holds
    // any double's p / 2 as a normal number.
    if (p < kSmallestPInDouble) {
        const auto half = static_cast<long double>(p) / 2;
        return static_cast<double>(
            boost::math::quantile(boost::math::complement(LongStudentsT(df), half)));
    }
    return boost::math::quantile(boost::math::complement(StudentsT(df), p / 2));
}

double SdFromStandardError(double se, std::int64_t n) {
    return se * std::sqrt(static_cast<double>(n));
}

double SdFromMeanInterval(double low, double high, std::int64_t n, double level) {
    // Tables of studies repeat their sizes and levels: the quantile is kept per pair, per
    // thread, as the bias correction is.
    thread_local std::map<std::pair<std::int64_t, double>, double> quantiles;
    auto [at, added] = quantiles.try_emplace({n, level}, 0.0);
    if (added) {
        at->second = boost::math::quantile(StudentsT(static_cast<double>(n - 1)), (1 + level) / 2);
    }
    return std::sqrt(static_cast<double>(n)) * (high - low) / (2 * at->second);
}

} // namespace tavrel::meta
