#include "meta/fit/one_column_fit.h"

#include "meta/fit/study_sums.h"

#include <cmath>

namespace tavrel::meta {

namespace {

// sum w c^2 and the fitted coefficient, with w = 1 / (v + tau2) (w = 1 where unweighted).
struct Sums {
    double squares;
    double beta;
};

Sums SumsOf(std::span<const Study> studies, const Column& c, double tau2, bool weighted) {
    double squares = 0;
    double cross = 0;
    for (std::size_t i = 0; i < studies.size(); ++i) {
        const double ci = c[static_cast<Eigen::Index>(i)];
        const double w = weighted ? 1 / (studies[i].vi + tau2) : 1;
        squares += w * ci * ci;
        cross += w * ci * studies[i].yi;
    }
    return {squares, cross / squares};
}

} // namespace

WeightedFit FitOneColumn(std::span<const Study> studies, const Column& c, double tau2,
                         bool perStudy) {
    const auto k = static_cast<Eigen::Index>(studies.size());
    const Sums fitted = SumsOf(studies, c, tau2, true);
    const double inverse = 1 / fitted.squares;
    WeightedFit fit;
    fit.beta = Eigen::VectorXd::Constant(1, fitted.beta);
    fit.inverse = Eigen::MatrixXd::Constant(1, 1, inverse);
    StudySums sums(fit, k, perStudy);
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        const double w = 1 / (study.vi + tau2);
        const double r = study.yi - c[i] * fitted.beta;
        sums.Add(i, w, r, w * c[i] * c[i] * inverse);
    }
    sums.Finish(sums.WeightedHat() * sums.WeightedHat()); // Q'WQ is 1 x 1
    return fit;
}

namespace {

// sum w r^2 and sum log w.
struct Residuals {
    double q;
    double logWeights;
};

Residuals ResidualsOf(std::span<const Study> studies, const Column& c, double tau2, double beta) {
    Residuals sums{0, 0};
    for (std::size_t i = 0; i < studies.size(); ++i) {
        const double w = 1 / (studies[i].vi + tau2);
        const double r = studies[i].yi - c[static_cast<Eigen::Index>(i)] * beta;
        sums.q += w * r * r;
        sums.logWeights += std::log(w);
    }
    return sums;
}

} // namespace

double ResidualQOneColumn(std::span<const Study> studies, const Column& c, double tau2) {
    return ResidualsOf(studies, c, tau2, SumsOf(studies, c, tau2, true).beta).q;
}

double LogLikelihoodOneColumn(std::span<const Study> studies, const Column& c, double tau2,
                              bool restricted) {
    const Sums sums = SumsOf(studies, c, tau2, true);
    const Residuals residuals = ResidualsOf(studies, c, tau2, sums.beta);
    const double sum = residuals.q - residuals.logWeights;
    return -(sum + (restricted ? std::log(sums.squares) : 0)) / 2; // |X'WX| = sum w c^2
}

UnweightedFit FitUnweightedOneColumn(std::span<const Study> studies, const Column& c) {
    const Sums sums = SumsOf(studies, c, 0, false);
    UnweightedFit fit{0, 0};
    for (std::size_t i = 0; i < studies.size(); ++i) {
        const double ci = c[static_cast<Eigen::Index>(i)];
        const double r = studies[i].yi - ci * sums.beta;
        fit.squares += r * r;
        fit.traceVarianceResidual += studies[i].vi * (1 - ci * ci / sums.squares);
    }
    return fit;
}

} // namespace tavrel::meta
