#include "meta/model/model.h"

#include "meta/model/design_rank.h"
#include "meta/model/q_profile.h"
#include "meta/model/quiet_policy.h"
#include "meta/model/scaled_studies.h"
#include "meta/model/tau2_estimators.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// b' V^-1 b over the moderators, by the Cholesky factor of their covariance: chi-square, or
// under Knapp and Hartung F.
void TestModerators(Model& model, double residualDf) {
    const bool knapp = model.settings.test == Test::KnappHartung;
    const Eigen::Index m = model.beta.size() - 1;
    const Eigen::LLT<Eigen::MatrixXd> llt(model.vb.bottomRightCorner(m, m));
    const Eigen::VectorXd b = model.beta.tail(m);
    model.qm = llt.info() == Eigen::Success ? b.dot(llt.solve(b)) : kNaN;
    model.qmDf = static_cast<double>(m);
    model.qmDf2 = kNaN;
    if (std::isnan(model.qm)) {
        // Knapp and Hartung's factor is 0 where the moderators fit exactly: no covariance to
        // test by, and metafor reports no test either.
        model.qmP = kNaN;
        model.qmDf2 = knapp ? residualDf : kNaN;
    } else if (knapp) {
        model.qm /= static_cast<double>(m);
        model.qmDf2 = residualDf;
        model.qmP = boost::math::cdf(boost::math::complement(
            boost::math::fisher_f_distribution<double, QuietPolicy>(model.qmDf, residualDf),
            model.qm));
    } else {
        model.qmP = boost::math::cdf(boost::math::complement(
            boost::math::chi_squared_distribution<double, QuietPolicy>(model.qmDf), model.qm));
    }
}

// The coefficients' tests and intervals, and the omnibus test of the moderators.
void TestCoefficients(Model& model, std::span<const std::string> names, double residualDf) {
    model.qm = model.qmDf = model.qmDf2 = model.qmP = kNaN;
    const auto p = static_cast<Eigen::Index>(names.size());
    const boost::math::normal_distribution<double, QuietPolicy> normal;
    const bool knapp = model.settings.test == Test::KnappHartung;
    if (knapp && !(residualDf > 0)) {
        // As many studies as coefficients: the t and F tests have no degrees of freedom.
        for (Eigen::Index j = 0; j < p; ++j) {
            model.coefficients.push_back({names[static_cast<std::size_t>(j)], model.beta[j],
                                          std::sqrt(model.vb(j, j)), kNaN, kNaN, kNaN, kNaN});
        }
        return;
    }
    // Knapp and Hartung's t with k - p degrees of freedom (none under z, where k may equal p).
    const boost::math::students_t_distribution<double, QuietPolicy> t(knapp ? residualDf : 1);
    const double critical = knapp ? boost::math::quantile(t, 0.5 + model.settings.level / 2)
                                  : boost::math::quantile(normal, 0.5 + model.settings.level / 2);
    for (Eigen::Index j = 0; j < p; ++j) {
        Coefficient c{};
        c.name = names[static_cast<std::size_t>(j)];
        c.estimate = model.beta[j];
        c.se = std::sqrt(model.vb(j, j));
        c.statistic = c.estimate / c.se;
        const double tail = knapp ? boost::math::cdf(t, -std::fabs(c.statistic))
                                  : boost::math::cdf(normal, -std::fabs(c.statistic));
        c.p = std::isnan(c.statistic) ? kNaN : 2 * tail;
        c.ciLow = c.estimate - critical * c.se;
        c.ciHigh = c.estimate + critical * c.se;
        model.coefficients.push_back(std::move(c));
    }
    if (p > 1) {
        TestModerators(model, residualDf);
    }
}

// The heterogeneity left by the model: Cochran's Q of the fixed-effect fit, I^2 and H^2 with the
// typical within-study variance (k - p) / tr P. An exact fit (one study, or as many as
// coefficients under FE) leaves nothing over, and metafor reports QE 0 with p 1.
void TestHeterogeneity(Model& model, const WeightedFit& fixed, double residualDf) {
    model.qe = std::max(0.0, fixed.q);
    model.qeDf = residualDf;
    if (!(residualDf > 0)) {
        model.qe = 0;
        model.qeP = 1;
        model.i2 = 0;
        model.h2 = 1;
        return;
    }
    model.qeP = boost::math::cdf(boost::math::complement(
        boost::math::chi_squared_distribution<double, QuietPolicy>(residualDf), model.qe));
    if (IsCommonEffect(model.settings.method)) {
        model.i2 = std::max(0.0, 100 * (model.qe - residualDf) / model.qe);
        model.h2 = model.qe / residualDf;
    } else {
        // As shares, so that neither overflows where tau2 dwarfs the typical variance.
        const double typicalVariance = residualDf / fixed.traceP;
        model.i2 = 100 / (typicalVariance / model.tau2 + 1);
        model.h2 = 1 + model.tau2 / typicalVariance;
    }
}

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

// Where a new study's effect is expected: the estimate's variance plus tau^2, with the test's
// critical value (predict() of a model without moderators).
void AddPredictionInterval(Model& model, double residualDf) {
    const Coefficient& pooled = model.Pooled();
    const double probability = 0.5 + model.settings.level / 2;
    const double critical =
        model.settings.test == Test::KnappHartung
            ? boost::math::quantile(
                  boost::math::students_t_distribution<double, QuietPolicy>(residualDf),
                  probability)
            : boost::math::quantile(boost::math::normal_distribution<double, QuietPolicy>(),
                                    probability);
    const double se = std::sqrt(pooled.se * pooled.se + model.tau2);
    model.piLow = pooled.estimate - critical * se;
    model.piHigh = pooled.estimate + critical * se;
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

double WeightPercent(const Model& model, const Study& study) {
    return 100 / (study.vi + model.tau2) / model.weightSum;
}

} // namespace tavrel::meta
