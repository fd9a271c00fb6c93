#include "meta/pooling.h"

#include "meta/heterogeneity.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <string>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Distributions that answer an extreme argument with 0, 1 or infinity rather than throw.
using Policy = boost::math::policies::policy<
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>>;

// The weighted mean of the studies with weights 1 / (vi + tau2), and the sum of the weights.
struct WeightedMean {
    double mean;
    double weightSum;
};

WeightedMean Mean(std::span<const Study> studies, double tau2) {
    double weightSum = 0;
    double weighted = 0;
    for (const Study& study : studies) {
        const double w = 1 / (study.vi + tau2);
        weightSum += w;
        weighted += w * study.yi;
    }
    return {weighted / weightSum, weightSum};
}

// Fisher scoring on the restricted likelihood, from the DerSimonian-Laird value; a step that
// would leave tau2 below 0 is halved until it does not.
double RestrictedMaximumLikelihood(std::span<const Study> studies, double start, int& iterations) {
    constexpr int kMaxIterations = 100;
    constexpr double kThreshold = 1e-10;
    double tau2 = start;
    for (iterations = 1; iterations <= kMaxIterations; ++iterations) {
        const WeightedMean m = Mean(studies, tau2);
        double residualSquares = 0; // y'PPy
        double sumW2 = 0;
        double sumW3 = 0;
        for (const Study& study : studies) {
            const double w = 1 / (study.vi + tau2);
            const double r = w * (study.yi - m.mean);
            residualSquares += r * r;
            sumW2 += w * w;
            sumW3 += w * w * w;
        }
        const double s = m.weightSum;
        const double traceP = s - sumW2 / s;
        const double tracePP = sumW2 - 2 * sumW3 / s + (sumW2 * sumW2) / (s * s);
        double step = (residualSquares - traceP) / tracePP;
        while (tau2 + step < 0) {
            step /= 2;
        }
        tau2 += step;
        if (std::fabs(step) < kThreshold) {
            return tau2;
        }
    }
    throw NotConverged("REML did not converge in " + std::to_string(kMaxIterations) +
                       " Fisher scoring steps");
}

} // namespace

std::string_view Name(Method method) {
    switch (method) {
    case Method::DL:
        return "DL";
    case Method::FE:
        return "FE";
    case Method::REML:
        break;
    }
    return "REML";
}

double WeightPercent(const Pooled& pooled, const Study& study) {
    return 100 / (study.vi + pooled.tau2) / pooled.weightSum;
}

std::string_view Name(Test test) {
    return test == Test::Z ? "z" : "knha";
}

Pooled Pool(std::span<const Study> studies, Method method, Test test, double level) {
    Pooled pooled{};
    pooled.method = method;
    pooled.test = test;
    pooled.level = level;
    pooled.k = studies.size();
    const auto k = static_cast<double>(studies.size());

    const Heterogeneity fixed = FixedEffectHeterogeneity(studies);
    pooled.q = fixed.q;
    pooled.qDf = k - 1;
    pooled.qP = boost::math::cdf(boost::math::complement(
        boost::math::chi_squared_distribution<double, Policy>(k - 1), fixed.q));

    switch (method) {
    case Method::FE:
        pooled.tau2 = 0;
        break;
    case Method::DL:
        pooled.tau2 = fixed.dersimonianLaird;
        break;
    case Method::REML:
        pooled.tau2 =
            RestrictedMaximumLikelihood(studies, fixed.dersimonianLaird, pooled.iterations);
        break;
    }
    pooled.tau = std::sqrt(pooled.tau2);
    if (method == Method::FE) {
        pooled.i2 = std::fmax(0.0, 100 * (fixed.q - (k - 1)) / fixed.q);
        pooled.h2 = fixed.q / (k - 1);
    } else {
        pooled.i2 = 100 * pooled.tau2 / (fixed.typicalVariance + pooled.tau2);
        pooled.h2 = (fixed.typicalVariance + pooled.tau2) / fixed.typicalVariance;
    }

    const WeightedMean m = Mean(studies, pooled.tau2);
    pooled.estimate = m.mean;
    pooled.se = std::sqrt(1 / m.weightSum);
    double critical = 0;
    if (test == Test::Z) {
        const boost::math::normal_distribution<double, Policy> normal;
        critical = boost::math::quantile(normal, 0.5 + level / 2);
        pooled.statistic = pooled.estimate / pooled.se;
        pooled.p = 2 * boost::math::cdf(normal, -std::fabs(pooled.statistic));
    } else {
        // Knapp and Hartung: the variance scaled by the weighted residual variance, and t with
        // k - 1 degrees of freedom.
        double scaled = 0;
        for (const Study& study : studies) {
            const double r = study.yi - m.mean;
            scaled += r * r / (study.vi + pooled.tau2);
        }
        pooled.se = std::sqrt(scaled / (k - 1) / m.weightSum);
        const boost::math::students_t_distribution<double, Policy> t(k - 1);
        critical = boost::math::quantile(t, 0.5 + level / 2);
        pooled.statistic = pooled.estimate / pooled.se;
        pooled.p = std::isfinite(pooled.statistic)
                       ? 2 * boost::math::cdf(t, -std::fabs(pooled.statistic))
                       : (std::isnan(pooled.statistic) ? kNaN : 0.0);
    }
    pooled.ciLow = pooled.estimate - critical * pooled.se;
    pooled.ciHigh = pooled.estimate + critical * pooled.se;
    const double predictionSe = std::sqrt(pooled.se * pooled.se + pooled.tau2);
    pooled.piLow = pooled.estimate - critical * predictionSe;
    pooled.piHigh = pooled.estimate + critical * predictionSe;
    pooled.weightSum = m.weightSum;
    return pooled;
}

} // namespace tavrel::meta
