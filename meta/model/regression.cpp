#include "meta/model/regression.h"

#include "meta/model/heterogeneity.h"
#include "meta/model/moment_estimators.h"
#include "meta/model/pooling.h"
#include "meta/model/q_profile.h"
#include "meta/model/quiet_policy.h"
#include "meta/model/reml.h"
#include "meta/model/scaled_studies.h"

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

// Names the columns that depend linearly on the others, by the pivoted QR's rank. Each column
// is judged at unit length: beside a moderator of 1e15 the intercept's column would otherwise
// look like rounding noise.
void RequireFullRank(const Design& x, std::span<const std::string> names) {
    Eigen::MatrixXd unit = x;
    for (Eigen::Index j = 0; j < unit.cols(); ++j) {
        const double length = unit.col(j).norm();
        if (length > 0) {
            unit.col(j) /= length;
        }
    }
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(unit);
    if (qr.rank() == x.cols()) {
        return;
    }
    std::string dependent;
    const auto& order = qr.colsPermutation().indices();
    std::vector<Eigen::Index> columns(order.data() + qr.rank(), order.data() + order.size());
    std::sort(columns.begin(), columns.end());
    for (const Eigen::Index column : columns) {
        dependent += (dependent.empty() ? "" : ", ") + names[static_cast<std::size_t>(column)];
    }
    throw RankDeficient("the moderators are linearly dependent: " + dependent +
                        (columns.size() == 1 ? " is" : " are") +
                        " a combination of the other columns (the intercept included)");
}

// tau^2 by each estimator, with metafor's definitions for a model with moderators
// (?rma.uni, "Specifying the Model"); on studies scaled to unit variance.
double EstimateTau2(std::span<const Study> studies, const Design& x, Method method,
                    int& iterations) {
    const auto k = static_cast<double>(x.rows());
    const double residualDf = k - static_cast<double>(x.cols());
    const auto generalizedQ = [&](double tau2) { return ResidualQ(studies, x, tau2); };
    // Hedges's estimator: the unweighted residual variance less the sampling variance's part.
    const auto hedges = [&](const UnweightedFit& ols) {
        return std::max(0.0, (ols.squares - ols.traceVarianceResidual) / residualDf);
    };
    switch (method) {
    case Method::FE:
    case Method::EE:
    case Method::CE:
        return 0;
    case Method::DL: {
        const WeightedFit fixed = FitWeighted(studies, x, 0);
        return std::max(0.0, (fixed.q - residualDf) / fixed.traceP);
    }
    case Method::HS: {
        const WeightedFit fixed = FitWeighted(studies, x, 0);
        return std::max(0.0, (fixed.q - k) / fixed.sumW);
    }
    case Method::HE:
        return hedges(FitUnweighted(studies, x));
    case Method::SJ: {
        const double start = SquaresAboutTheMean(studies) / k;
        return start * generalizedQ(start) / residualDf;
    }
    case Method::PM:
    case Method::EB: // Morris's equation sum w (k / (k - p) r^2 - v) = tau^2 sum w is Q = k - p
        return PauleMandelTau2(generalizedQ, residualDf, FitUnweighted(studies, x).squares);
    case Method::REML:
    case Method::ML: {
        const Likelihood likelihood =
            method == Method::ML ? Likelihood::Full : Likelihood::Restricted;
        const UnweightedFit ols = FitUnweighted(studies, x);
        double largest = 0;
        for (const Study& study : studies) {
            largest = std::max(largest, study.vi);
        }
        const auto score = [&](double tau2) {
            const WeightedFit fit = FitWeighted(studies, x, tau2);
            return likelihood == Likelihood::Full
                       ? LikelihoodScore{fit.residualSquares - fit.sumW, fit.sumW2}
                       : LikelihoodScore{fit.residualSquares - fit.traceP, fit.tracePP};
        };
        const auto logLikelihood = [&](double tau2) {
            return LogLikelihood(studies, x, tau2, likelihood == Likelihood::Restricted);
        };
        // From Hedges's estimator, as metafor starts.
        const RemlEstimate estimate =
            MaximizeLikelihood(score, logLikelihood, hedges(ols), largest,
                               ScoreBracketEnd(largest, ols.squares, residualDf), likelihood);
        iterations = estimate.iterations;
        return estimate.tau2;
    }
    }
    return kNaN;
}

// The coefficients' tests and intervals, and the omnibus test of the moderators.
void TestCoefficients(Regression& model, std::span<const std::string> names, double residualDf) {
    const auto p = static_cast<Eigen::Index>(names.size());
    const boost::math::normal_distribution<double, QuietPolicy> normal;
    const bool knapp = model.test == Test::KnappHartung;
    if (knapp && !(residualDf > 0)) {
        // As many studies as coefficients: the t and F tests have no degrees of freedom.
        for (Eigen::Index j = 0; j < p; ++j) {
            model.coefficients.push_back({names[static_cast<std::size_t>(j)], model.beta[j],
                                          std::sqrt(model.vb(j, j)), kNaN, kNaN, kNaN, kNaN});
        }
        model.qm = model.qmDf = model.qmDf2 = model.qmP = kNaN;
        return;
    }
    // Knapp and Hartung's t with k - p degrees of freedom (none under z, where k may equal p).
    const boost::math::students_t_distribution<double, QuietPolicy> t(knapp ? residualDf : 1);
    const double critical = knapp ? boost::math::quantile(t, 0.5 + model.level / 2)
                                  : boost::math::quantile(normal, 0.5 + model.level / 2);
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
    // b' V^-1 b over the moderators, by the Cholesky factor of their covariance.
    const Eigen::Index m = p - 1;
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

} // namespace

Regression FitRegression(std::span<const Study> original, const Design& x,
                         std::span<const std::string> names, const ModelSettings& settings,
                         RegressionExtras extras) {
    const auto& [method, test, level] = settings;
    RequireFullRank(x, names);
    if (x.rows() <= x.cols() && !IsCommonEffect(method)) {
        // No residual degree of freedom is left to estimate tau^2 from.
        throw std::invalid_argument("a model with tau^2 needs more studies than coefficients");
    }
    const Scaled scaled = ScaleToUnitVariance(original);
    const std::span<const Study> studies = scaled.Of(original);
    const auto k = static_cast<double>(x.rows());
    const double residualDf = k - static_cast<double>(x.cols());
    Regression model{};
    model.method = method;
    model.test = test;
    model.level = level;
    model.k = studies.size();
    // What is not computed stays NaN: R^2 and the intervals without their extras or for FE.
    model.r2 = kNaN;
    for (double* value : {&model.tau2CiLow, &model.tau2CiHigh, &model.tauCiLow, &model.tauCiHigh,
                          &model.i2CiLow, &model.i2CiHigh, &model.h2CiLow, &model.h2CiHigh}) {
        *value = kNaN;
    }

    model.tau2 = EstimateTau2(studies, x, method, model.iterations);
    const WeightedFit fit = FitWeighted(studies, x, model.tau2);
    model.beta = fit.beta;
    model.s2w = 1;
    if (test == Test::KnappHartung) {
        model.s2w = fit.q <= std::numeric_limits<double>::epsilon() ? 0 : fit.q / residualDf;
    }
    model.vb = model.s2w * fit.inverse;
    // Back to the studies' own scale: y and v were divided by 2^e and 4^e.
    model.beta *= std::ldexp(1.0, scaled.exponent);
    model.vb *= std::ldexp(1.0, 2 * scaled.exponent);
    TestCoefficients(model, names, residualDf);

    // The residual heterogeneity, by the fixed-effect weights 1 / v.
    const WeightedFit fixed = FitWeighted(studies, x, 0);
    model.qe = std::max(0.0, fixed.q);
    model.qeDf = residualDf;
    const double typicalVariance = residualDf / fixed.traceP;
    if (!(residualDf > 0)) {
        // An exact fit (a fixed-effect model alone gets here): nothing is left over, and
        // metafor reports QE 0 with p 1.
        model.qe = 0;
        model.qeP = 1;
        model.i2 = 0;
        model.h2 = 1;
        return model;
    }
    model.qeP = boost::math::cdf(boost::math::complement(
        boost::math::chi_squared_distribution<double, QuietPolicy>(residualDf), model.qe));
    if (IsCommonEffect(method)) {
        model.i2 = std::max(0.0, 100 * (model.qe - residualDf) / model.qe);
        model.h2 = model.qe / residualDf;
    } else {
        model.i2 = 100 / (typicalVariance / model.tau2 + 1);
        model.h2 = 1 + model.tau2 / typicalVariance;
    }

    if (extras == RegressionExtras::All) {
        if (IsCommonEffect(method)) {
            // The adjusted R^2 of the weighted least-squares fit, as lm() gives it.
            const double total = FixedEffectHeterogeneity(studies).q;
            model.r2 =
                total == 0 ? 0 : std::max(0.0, 100 * (1 - model.qe / total * (k - 1) / residualDf));
        } else {
            // The share of the heterogeneity without moderators that they account for.
            const double withoutModerators =
                Pool(studies, {method, test, level}, HeterogeneityIntervals::None).tau2;
            model.r2 =
                withoutModerators == 0
                    ? 0
                    : std::max(0.0, 100 * (withoutModerators - model.tau2) / withoutModerators);
            const double limit = std::max(std::ldexp(100.0, -2 * scaled.exponent), 10 * model.tau2);
            const Interval interval =
                QProfileTau2([&](double tau2) { return ResidualQ(studies, x, tau2); }, residualDf,
                             FitUnweighted(studies, x).squares, level, limit);
            model.tau2CiLow = interval.low;
            model.tau2CiHigh = interval.high;
        }
    }
    model.i2CiLow = 100 * model.tau2CiLow / (typicalVariance + model.tau2CiLow);
    model.i2CiHigh = 100 * model.tau2CiHigh / (typicalVariance + model.tau2CiHigh);
    model.h2CiLow = model.tau2CiLow / typicalVariance + 1;
    model.h2CiHigh = model.tau2CiHigh / typicalVariance + 1;

    const double variance = std::ldexp(1.0, 2 * scaled.exponent);
    for (double* value : {&model.tau2, &model.tau2CiLow, &model.tau2CiHigh}) {
        *value *= variance;
    }
    model.tau = std::sqrt(model.tau2);
    model.tauCiLow = std::sqrt(model.tau2CiLow);
    model.tauCiHigh = std::sqrt(model.tau2CiHigh);
    return model;
}

} // namespace tavrel::meta
