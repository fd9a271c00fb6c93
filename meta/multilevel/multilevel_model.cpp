#include "meta/multilevel/multilevel_model.h"

#include "meta/model/design_rank.h"
#include "meta/model/model_tests.h"
#include "meta/model/scaled_studies.h"
#include "meta/model/tau2_estimators.h"
#include "meta/multilevel/level_likelihood.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Where confint() searches a component's upper bound, on the studies' own scale: 10, or 100
// times the estimate where that is larger.
double SearchLimit(double estimate) {
    const double smallest = std::sqrt(std::numeric_limits<double>::epsilon());
    return estimate <= smallest ? 10 : std::max(10.0, 100 * estimate);
}

// The components, their shares of the variance and their intervals, on the scaled studies.
LevelComponents ComponentsOf(LevelFitter& fitter, const LevelEstimate& best, Likelihood likelihood,
                             const Model& model, double typicalVariance, int exponent,
                             ModelExtras extras) {
    const ClusteredStudies& arranged = fitter.Studies();
    const double largest = arranged.v.maxCoeff();
    const double total = best.components.between + best.components.within + typicalVariance;
    LevelComponents levels{static_cast<std::size_t>(arranged.Clusters()),
                           best.components.between,
                           best.components.within,
                           kNaN,
                           kNaN,
                           kNaN,
                           kNaN,
                           100 * best.components.between / total,
                           100 * best.components.within / total};
    if (extras == ModelExtras::All) {
        Interval intervals[2];
        for (int component = 0; component < 2; ++component) {
            const double own = std::ldexp(best.components[component], 2 * exponent);
            intervals[component] =
                ProfileInterval(fitter, likelihood, best, component, model.settings.level,
                                std::ldexp(SearchLimit(own), -2 * exponent), largest);
        }
        levels.sigma2BetweenCiLow = intervals[0].low;
        levels.sigma2BetweenCiHigh = intervals[0].high;
        levels.sigma2WithinCiLow = intervals[1].low;
        levels.sigma2WithinCiHigh = intervals[1].high;
    }
    const double variance = std::ldexp(1.0, 2 * exponent);
    for (double* value :
         {&levels.sigma2Between, &levels.sigma2Within, &levels.sigma2BetweenCiLow,
          &levels.sigma2BetweenCiHigh, &levels.sigma2WithinCiLow, &levels.sigma2WithinCiHigh}) {
        *value *= variance;
    }
    return levels;
}

// Each row's weight, diag(V^-1) in percent as metafor's weights() gives it, in study order.
std::vector<double> RowWeights(LevelFitter& fitter, Components components) {
    const ClusteredStudies& arranged = fitter.Studies();
    const Eigen::VectorXd diagonal = fitter.DiagonalWeight(components);
    std::vector<double> weights(arranged.order.size());
    const double sum = diagonal.sum();
    for (std::size_t j = 0; j < arranged.order.size(); ++j) {
        weights[static_cast<std::size_t>(arranged.order[j])] =
            100 * diagonal[static_cast<Eigen::Index>(j)] / sum;
    }
    return weights;
}

} // namespace

Model FitClustered(std::span<const Study> studies, std::span<const std::string> clusterOf,
                   const Design& x, std::span<const std::string> names,
                   const ModelSettings& settings, std::string& note, ModelExtras extras) {
    if (CountClusters(clusterOf) == studies.size()) {
        note = "every cluster has one row: the three-level model is then the usual one, and "
               "that is fitted";
        return FitModel(studies, x, names, settings, extras);
    }
    return FitMultilevel(studies, clusterOf, x, names, settings, extras);
}

Model FitMultilevel(std::span<const Study> original, std::span<const std::string> clusterOf,
                    const Design& x, std::span<const std::string> names,
                    const ModelSettings& settings, ModelExtras extras) {
    if (!FitsLevels(settings.method)) {
        throw std::invalid_argument("the three-level model is fitted by REML or ML, not " +
                                    std::string(Name(settings.method)));
    }
    const FitDesign design(x);
    RequireFittable(design, x, names, settings.method);
    if (const std::size_t clusters = CountClusters(clusterOf); clusters < 2) {
        throw std::invalid_argument(
            "all " + std::to_string(original.size()) +
            " rows are in one cluster, and a variance between clusters needs two or more");
    }
    const Scaled scaled = ScaleToUnitVariance(original);
    const std::span<const Study> studies = scaled.Of(original);
    const ClusteredStudies arranged = ArrangeByCluster(studies, x, clusterOf);
    const double largest = arranged.v.maxCoeff();
    const Likelihood likelihood =
        settings.method == Method::REML ? Likelihood::Restricted : Likelihood::Full;
    // From the two-level estimate, shared between the levels.
    const double tau2 = EstimateTau2(studies, design, settings.method).tau2;
    const double half = tau2 > 0 ? tau2 / 2 : largest / 20;
    LevelFitter fitter(arranged);
    const LevelEstimate best = MaximizeLevels(fitter, likelihood, {half, half}, largest);
    const LevelFit fit = fitter.Fit(best.components, likelihood, LevelParts::Likelihood);

    const double residualDf = static_cast<double>(x.rows() - x.cols());
    Model model{};
    model.settings = settings;
    model.k = studies.size();
    for (double* value : {&model.r2, &model.piLow, &model.piHigh, &model.tau2CiLow,
                          &model.tau2CiHigh, &model.tauCiLow, &model.tauCiHigh, &model.i2CiLow,
                          &model.i2CiHigh, &model.h2CiLow, &model.h2CiHigh, &model.weightSum}) {
        *value = kNaN;
    }
    model.s2w = 1;
    model.iterations = best.iterations;
    model.tau2 = best.components.between + best.components.within;
    const WeightedFit fixed = FitWeighted(studies, design, 0, FitParts::Sums);
    TestHeterogeneity(model, fixed, residualDf);
    model.h2 = kNaN;
    const double typicalVariance = residualDf > 0 ? residualDf / fixed.traceP : kNaN;
    model.levels = ComponentsOf(fitter, best, likelihood, model, typicalVariance, scaled.exponent,
                                residualDf > 0 ? extras : ModelExtras::None);
    model.rowWeights = RowWeights(fitter, best.components);

    const double effect = std::ldexp(1.0, scaled.exponent);
    model.beta = effect * fit.beta;
    model.vb = effect * effect * fit.inverse;
    model.tau2 *= effect * effect;
    model.tau = std::sqrt(model.tau2);
    TestCoefficients(model, names, residualDf);
    if (!model.HasModerators()) {
        AddPredictionInterval(model, residualDf);
    }
    return model;
}

} // namespace tavrel::meta
