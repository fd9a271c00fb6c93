#include "meta/model/model.h"

#include "meta/model/design_rank.h"
#include "meta/model/model_tests.h"
#include "meta/model/q_profile.h"
#include "meta/model/quiet_policy.h"
#include "meta/model/scaled_studies.h"
#include "meta/model/tau2_estimators.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// R^2 and the Q-profile interval of tau^2, with I^2 and H^2 at its ends; on the scaled studies.
void AddExtras(Model& model, std::span<const Study> studies, const FitDesign& x,
               const WeightedFit& fixed, double residualDf, int scaleExponent) {
    const Method method = model.settings.method;
    const auto k = static_cast<double>(x.Rows());
    const bool moderators = x.Cols() > 1;
    if (moderators && IsCommonEffect(method)) {
        // The adjusted R^2 of the weighted least-squares fit, as lm() gives it.
        const double total = ResidualQ(studies, FitDesign(InterceptOnly(x.Rows())), 0);
        model.r2 =
            total == 0 ? 0 : std::max(0.0, 100 * (1 - model.qe / total * (k - 1) / residualDf));
    } else if (moderators) {
        // The share of the heterogeneity without moderators that they account for.
        const double withoutModerators =
            EstimateTau2(studies, FitDesign(InterceptOnly(x.Rows())), method).tau2;
        model.r2 = withoutModerators == 0
                       ? 0
                       : std::max(0.0, 100 * (withoutModerators - model.tau2) / withoutModerators);
    }
    if (IsCommonEffect(method)) {
        return;
    }
    // The search reaches metafor's limit, max(100, 10 tau^2), on the studies' own scale.
    const double limit = std::max(std::ldexp(100.0, -2 * scaleExponent), 10 * model.tau2);
    const Interval interval =
        QProfileTau2([&](double tau2) { return ResidualQ(studies, x, tau2); }, residualDf,
                     FitUnweighted(studies, x).squares, model.settings.level, limit);
    model.tau2CiLow = interval.low;
    model.tau2CiHigh = interval.high;
    const double typicalVariance = residualDf / fixed.traceP;
    model.i2CiLow = 100 * model.tau2CiLow / (typicalVariance + model.tau2CiLow);
    model.i2CiHigh = 100 * model.tau2CiHigh / (typicalVariance + model.tau2CiHigh);
    model.h2CiLow = model.tau2CiLow / typicalVariance + 1;
    model.h2CiHigh = model.tau2CiHigh / typicalVariance + 1;
}

// What was fitted on studies y / 2^e, v / 4^e, back on the studies' own scale.
void BackToOwnScale(Model& model, int exponent) {
    const double effect = std::ldexp(1.0, exponent);
    const double variance = effect * effect;
    model.beta *= effect;
    model.vb *= variance;
    model.weightSum /= variance;
    for (double* value : {&model.tau2, &model.tau2CiLow, &model.tau2CiHigh}) {
        *value *= variance;
    }
    model.tau = std::sqrt(model.tau2);
    model.tauCiLow = std::sqrt(model.tau2CiLow);
    model.tauCiHigh = std::sqrt(model.tau2CiHigh);
}

} // namespace

Design InterceptOnly(std::size_t k) {
    return Design::Ones(static_cast<Eigen::Index>(k), 1);
}

namespace {

// tau^2, its fit and Knapp and Hartung's factor, on studies scaled to unit variance.
CoefficientFit FitScaled(std::span<const Study> studies, const FitDesign& design,
                         const ModelSettings& settings, FitParts parts, int exponent) {
    const Tau2Estimate estimate = EstimateTau2(studies, design, settings.method);
    CoefficientFit coefficients{FitWeighted(studies, design, estimate.tau2, parts), estimate.tau2,
                                estimate.iterations, 1, exponent};
    if (settings.test == Test::KnappHartung) {
        const double q = coefficients.fit.q;
        const auto residualDf = static_cast<double>(design.Rows() - design.Cols());
        coefficients.s2w = q <= std::numeric_limits<double>::epsilon() ? 0 : q / residualDf;
    }
    return coefficients;
}

} // namespace

double CoefficientFit::PredictionVarianceAt(const FitDesign& design,
                                            const Eigen::RowVectorXd& x) const {
    return std::ldexp(PredictionVariance(design, fit, x), 2 * scaleExponent);
}

Eigen::VectorXd CoefficientFit::Beta() const {
    return std::ldexp(1.0, scaleExponent) * fit.beta;
}

double CoefficientFit::Tau2() const {
    return std::ldexp(tau2, 2 * scaleExponent);
}

CoefficientFit FitCoefficients(std::span<const Study> original, const FitDesign& design,
                               const ModelSettings& settings) {
    const Scaled scaled = ScaleToUnitVariance(original);
    return FitScaled(scaled.Of(original), design, settings, FitParts::Sums, scaled.exponent);
}

Model FitModel(std::span<const Study> original, const Design& x, std::span<const std::string> names,
               const ModelSettings& settings, ModelExtras extras) {
    const FitDesign design(x);
    RequireFittable(design, x, names, settings.method);
    const Scaled scaled = ScaleToUnitVariance(original);
    const std::span<const Study> studies = scaled.Of(original);
    const double residualDf = static_cast<double>(x.rows() - x.cols());
    Model model{};
    model.settings = settings;
    model.k = studies.size();
    // What is not computed stays NaN: R^2 and the intervals without their extras or for FE.
    for (double* value :
         {&model.r2, &model.piLow, &model.piHigh, &model.tau2CiLow, &model.tau2CiHigh,
          &model.i2CiLow, &model.i2CiHigh, &model.h2CiLow, &model.h2CiHigh}) {
        *value = kNaN;
    }
    const CoefficientFit coefficients =
        FitScaled(studies, design, settings, FitParts::Covariance, scaled.exponent);
    const WeightedFit& fit = coefficients.fit;
    model.tau2 = coefficients.tau2;
    model.iterations = coefficients.iterations;
    model.beta = fit.beta;
    model.weightSum = fit.sumW;
    model.s2w = coefficients.s2w;
    model.vb = model.s2w * fit.inverse;
    const WeightedFit fixed =
        model.tau2 == 0 ? fit : FitWeighted(studies, design, 0, FitParts::Sums);
    TestHeterogeneity(model, fixed, residualDf);
    if (extras == ModelExtras::All && residualDf > 0) {
        AddExtras(model, studies, design, fixed, residualDf, scaled.exponent);
    }
    BackToOwnScale(model, scaled.exponent);
    TestCoefficients(model, names, residualDf);
    if (!model.HasModerators()) {
        AddPredictionInterval(model, residualDf);
    }
    return model;
}

Model FitModel(std::span<const Study> studies, const ModelSettings& settings, ModelExtras extras) {
    return FitModel(studies, InterceptOnly(studies.size()), std::span(&kInterceptName, 1), settings,
                    extras);
}

double WeightPercent(const Model& model, std::size_t index, const Study& study) {
    if (!model.rowWeights.empty()) {
        return model.rowWeights[index];
    }
    return 100 / (study.vi + model.tau2) / model.weightSum;
}

} // namespace tavrel::meta
