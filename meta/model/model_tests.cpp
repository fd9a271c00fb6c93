#include "meta/model/model_tests.h"

#include "meta/model/quiet_policy.h"

#include <algorithm>
#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>

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

} // namespace

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

// Where a new study's effect is expected: the estimate's variance plus tau^2, with the test's
// critical value (predict() of a model without moderators).
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

} // namespace tavrel::meta
