#include "meta/diagnostics/subgroups.h"

#include "meta/study/intervals.h"

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>
#include <map>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A study alone: its own estimate and normal interval; nothing of heterogeneity.
Pooled Alone(const Study& study, const ModelSettings& settings) {
    const auto& [method, test, level] = settings;
    Pooled pooled{};
    pooled.method = method;
    pooled.test = test;
    pooled.level = level;
    pooled.k = 1;
    pooled.estimate = study.yi;
    pooled.se = std::sqrt(study.vi);
    pooled.statistic = study.yi / pooled.se;
    pooled.p = 2 * boost::math::cdf(boost::math::normal_distribution<double>(),
                                    -std::fabs(pooled.statistic));
    const Interval interval = NormalInterval(study.yi, pooled.se, TwoSidedZ(level));
    pooled.ciLow = pooled.piLow = interval.low;
    pooled.ciHigh = pooled.piHigh = interval.high;
    for (double* value :
         {&pooled.tau2, &pooled.tau, &pooled.i2, &pooled.h2, &pooled.q, &pooled.qDf, &pooled.qP,
          &pooled.tau2CiLow, &pooled.tau2CiHigh, &pooled.tauCiLow, &pooled.tauCiHigh,
          &pooled.i2CiLow, &pooled.i2CiHigh, &pooled.h2CiLow, &pooled.h2CiHigh}) {
        *value = kNaN;
    }
    pooled.weightSum = 1 / study.vi;
    return pooled;
}

} // namespace

std::vector<Subgroup> PoolSubgroups(std::span<const Study> studies,
                                    std::span<const std::string> groupOf,
                                    const ModelSettings& settings) {
    std::vector<std::string> order;
    std::map<std::string, std::vector<Study>> members;
    for (std::size_t i = 0; i < studies.size(); ++i) {
        auto [at, added] = members.try_emplace(groupOf[i]);
        if (added) {
            order.push_back(groupOf[i]);
        }
        at->second.push_back(studies[i]);
    }
    std::vector<Subgroup> subgroups;
    subgroups.reserve(order.size());
    for (const std::string& name : order) {
        const std::vector<Study>& group = members[name];
        if (group.size() == 1) {
            subgroups.push_back({name, Alone(group.front(), settings),
                                 "one study: its own estimate and interval, and no "
                                 "heterogeneity to estimate"});
        } else {
            subgroups.push_back({name, Pool(group, settings), {}});
        }
    }
    return subgroups;
}

SubgroupTest SubgroupDifferences(std::span<const Subgroup> subgroups) {
    const double df = static_cast<double>(subgroups.size()) - 1;
    for (const Subgroup& subgroup : subgroups) {
        // Knapp and Hartung's standard error is 0 where a group's studies agree exactly.
        if (!(subgroup.pooled.se > 0)) {
            return {kNaN, df, kNaN,
                    "not computed: the estimate of " + subgroup.name +
                        " has a standard error of 0, so its weight would be infinite"};
        }
    }
    double sumW = 0;
    double sumWY = 0;
    for (const Subgroup& subgroup : subgroups) {
        const double w = 1 / (subgroup.pooled.se * subgroup.pooled.se);
        sumW += w;
        sumWY += w * subgroup.pooled.estimate;
    }
    const double mean = sumWY / sumW;
    double q = 0;
    for (const Subgroup& subgroup : subgroups) {
        const double r = (subgroup.pooled.estimate - mean) / subgroup.pooled.se;
        q += r * r;
    }
    const double p = df > 0 ? boost::math::cdf(boost::math::complement(
                                  boost::math::chi_squared_distribution<double>(df), q))
                            : kNaN;
    return {q, df, p, {}};
}

} // namespace tavrel::meta
