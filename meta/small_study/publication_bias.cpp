#include "meta/small_study/publication_bias.h"

#include "meta/model/model.h"

#include <array>
#include <boost/math/distributions/normal.hpp>
#include <cmath>
#include <limits>
#include <string>

namespace tavrel::meta {

Design AsymmetryDesign(std::span<const Study> studies, AsymmetryPredictor predictor) {
    Design x(static_cast<Eigen::Index>(studies.size()), 2);
    for (std::size_t i = 0; i < studies.size(); ++i) {
        const auto row = static_cast<Eigen::Index>(i);
        x(row, 0) = 1;
        x(row, 1) =
            predictor == AsymmetryPredictor::Variance ? studies[i].vi : std::sqrt(studies[i].vi);
    }
    return x;
}

AsymmetryTest RegressionTest(std::span<const Study> studies, AsymmetryPredictor predictor,
                             const ModelSettings& settings) {
    if (studies.size() < 3) {
        throw TooFewStudies("it needs at least 3 studies, and there are " +
                            std::to_string(studies.size()));
    }
    const Design x = AsymmetryDesign(studies, predictor);
    const std::array<std::string, 2> names = {
        "intercept", predictor == AsymmetryPredictor::Variance ? "vi" : "sei"};
    const Model fit = FitModel(studies, x, names, settings, ModelExtras::None);
    const Coefficient& slope = fit.coefficients[1];
    const Coefficient& intercept = fit.coefficients[0];
    return {.statistic = slope.statistic,
            .df = settings.test == Test::Z ? std::numeric_limits<double>::quiet_NaN() : fit.qeDf,
            .p = slope.p,
            .limit = intercept.estimate,
            .limitCiLow = intercept.ciLow,
            .limitCiHigh = intercept.ciHigh};
}

double FailSafeN(std::span<const Study> studies) {
    const double critical =
        boost::math::quantile(boost::math::complement(boost::math::normal_distribution<>(), 0.05));
    const auto k = static_cast<double>(studies.size());
    double sum = 0;
    for (const Study& study : studies) {
        sum += study.yi / std::sqrt(study.vi);
    }
    const double average = std::fabs(sum / std::sqrt(k));
    const double n = std::max(0.0, k * std::pow(average / critical, 2) - k);
    // A count within rounding of a whole number is that number, as metafor has it.
    const double whole = std::round(n);
    return std::fabs(n - whole) < std::sqrt(std::numeric_limits<double>::epsilon()) ? whole
                                                                                    : std::ceil(n);
}

} // namespace tavrel::meta
