#include "meta/model/pooling.h"

#include "meta/model/heterogeneity.h"
#include "meta/model/moment_estimators.h"
#include "meta/model/q_profile.h"
#include "meta/model/quiet_policy.h"
#include "meta/model/reml.h"
#include "meta/model/scaled_studies.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

double WeightPercent(const Pooled& pooled, const Study& study) {
    return 100 / (study.vi + pooled.tau2) / pooled.weightSum;
}

namespace {

Pooled PoolScaled(std::span<const Study> studies, Method method, Test test, double level,
                  int scaleExponent, HeterogeneityIntervals intervals) {
    Pooled pooled{};
    pooled.method = method;
    pooled.test = test;
    pooled.level = level;
    pooled.k = studies.size();
    const auto k = static_cast<double>(studies.size());

    const Heterogeneity fixed = FixedEffectHeterogeneity(studies);
    pooled.q = fixed.q;
    pooled.qDf = k - 1;
    pooled.qP = k > 1 ? boost::math::cdf(boost::math::complement(
                            boost::math::chi_squared_distribution<double, QuietPolicy>(k - 1),
                            fixed.q))
                      : kNaN; // one study (leave-one-out of two): Q has no degrees of freedom

    switch (method) {
    case Method::FE:
    case Method::EE:
    case Method::CE:
        pooled.tau2 = 0;
        break;
    case Method::DL:
        pooled.tau2 = fixed.dersimonianLaird;
        break;
    case Method::REML:
    case Method::ML: {
        const RemlEstimate reml = RestrictedMaximumLikelihood(
            studies, fixed.dersimonianLaird,
            method == Method::ML ? Likelihood::Full : Likelihood::Restricted);
        pooled.tau2 = reml.tau2;
        pooled.iterations = reml.iterations;
        break;
    }
    case Method::PM:
    case Method::EB:
        pooled.tau2 = PauleMandelTau2(studies);
        break;
    case Method::SJ:
        pooled.tau2 = SidikJonkmanTau2(studies);
        break;
    case Method::HE:
        pooled.tau2 = HedgesTau2(studies);
        break;
    case Method::HS:
        pooled.tau2 = HunterSchmidtTau2(studies);
        break;
    }
    pooled.tau = std::sqrt(pooled.tau2);
    if (IsCommonEffect(method)) {
        pooled.i2 = std::fmax(0.0, 100 * (fixed.q - (k - 1)) / fixed.q);
        pooled.h2 = fixed.q / (k - 1);
    } else {
        // As shares, so that neither overflows where tau2 dwarfs the typical variance.
        pooled.i2 = 100 / (fixed.typicalVariance / pooled.tau2 + 1);
        pooled.h2 = 1 + pooled.tau2 / fixed.typicalVariance;
    }

    const WeightedMean m = Mean(studies, pooled.tau2);
    pooled.estimate = m.mean;
    pooled.se = std::sqrt(1 / m.weightSum);
    double critical = 0;
    if (test == Test::Z) {
        const boost::math::normal_distribution<double, QuietPolicy> normal;
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
        const boost::math::students_t_distribution<double, QuietPolicy> t(k - 1);
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

    pooled.tau2CiLow = pooled.tau2CiHigh = kNaN;
    if (!IsCommonEffect(method) && intervals == HeterogeneityIntervals::QProfile) {
        // The search reaches metafor's limit, max(100, 10 tau^2), on the studies' own scale.
        const double limit = std::max(std::ldexp(100.0, -2 * scaleExponent), 10 * pooled.tau2);
        const Interval tau2 = QProfileTau2(studies, level, limit);
        pooled.tau2CiLow = tau2.low;
        pooled.tau2CiHigh = tau2.high;
    }
    // tau, I^2 and H^2 as tau^2 gives them, with the typical within-study variance.
    pooled.tauCiLow = std::sqrt(pooled.tau2CiLow);
    pooled.tauCiHigh = std::sqrt(pooled.tau2CiHigh);
    pooled.i2CiLow = 100 * pooled.tau2CiLow / (fixed.typicalVariance + pooled.tau2CiLow);
    pooled.i2CiHigh = 100 * pooled.tau2CiHigh / (fixed.typicalVariance + pooled.tau2CiHigh);
    pooled.h2CiLow = pooled.tau2CiLow / fixed.typicalVariance + 1;
    pooled.h2CiHigh = pooled.tau2CiHigh / fixed.typicalVariance + 1;
    return pooled;
}

} // namespace

Pooled Pool(std::span<const Study> studies, const ModelSettings& settings,
            HeterogeneityIntervals intervals) {
    const auto& [method, test, level] = settings;
    const Scaled scaled = ScaleToUnitVariance(studies);
    Pooled pooled = PoolScaled(scaled.Of(studies), method, test, level, scaled.exponent, intervals);
    const auto back = [&](double& value, int power) {
        value = std::ldexp(value, power * scaled.exponent);
    };
    for (double* value : {&pooled.estimate, &pooled.se, &pooled.ciLow, &pooled.ciHigh, &pooled.tau,
                          &pooled.piLow, &pooled.piHigh, &pooled.tauCiLow, &pooled.tauCiHigh}) {
        back(*value, 1);
    }
    for (double* value : {&pooled.tau2, &pooled.tau2CiLow, &pooled.tau2CiHigh}) {
        back(*value, 2);
    }
    back(pooled.weightSum, -2);
    return pooled;
}

} // namespace tavrel::meta
