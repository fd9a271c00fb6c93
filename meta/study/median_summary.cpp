#include "meta/study/median_summary.h"

#include <boost/math/distributions/normal.hpp>
#include <cmath>

namespace tavrel::meta {

namespace {

double NormalQuantile(double p) {
    return boost::math::quantile(boost::math::normal_distribution<double>(), p);
}

} // namespace

double MeanFromMedian(const MedianSummary& group, std::int64_t n) {
    const auto size = static_cast<double>(n);
    const double midRange = (group.min + group.max) / 2;
    const double midQuartiles = (group.q1 + group.q3) / 2;
    if (group.hasRange && group.hasQuartiles) {
        const double rangeWeight = 2.2 / (2.2 + std::pow(size, 0.75));
        const double quartileWeight = 0.7 - 0.72 / std::pow(size, 0.55);
        return rangeWeight * midRange + quartileWeight * midQuartiles +
               (1 - rangeWeight - quartileWeight) * group.median;
    }
    if (group.hasRange) {
        const double weight = 4 / (4 + std::pow(size, 0.75));
        return weight * midRange + (1 - weight) * group.median;
    }
    const double weight = 0.7 + 0.39 / size;
    return weight * midQuartiles + (1 - weight) * group.median;
}

double SdFromMedian(const MedianSummary& group, std::int64_t n) {
    const auto size = static_cast<double>(n);
    const double xi = 2 * NormalQuantile((size - 0.375) / (size + 0.25));
    const double eta = 2 * NormalQuantile((0.75 * size - 0.125) / (size + 0.25));
    if (group.hasRange && group.hasQuartiles) {
        return (group.max - group.min) / (2 * xi) + (group.q3 - group.q1) / (2 * eta);
    }
    return group.hasRange ? (group.max - group.min) / xi : (group.q3 - group.q1) / eta;
}

} // namespace tavrel::meta
