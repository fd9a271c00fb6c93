#include "meta/diagnostics/influence.h"

#include "meta/diagnostics/leave_one_out.h"

#include <cmath>
#include <limits>

namespace tavrel::meta {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kEpsilon = std::numeric_limits<double>::epsilon();

// What the refit without study i gives: the prediction for i and its variance, tau^2 and
// Knapp and Hartung's factor (1 under z).
struct Deleted {
    double prediction;
    double predictionVariance;
    double tau2;
    double s2w;
};

// The studentized deleted residual: y - the prediction without the study, over the square
// root of s2w (v + tau^2) plus the prediction's variance, as rstudent() has it; a residual
// within rounding of 0 is 0.
double StudentizedResidual(const Study& study, const Deleted& deleted) {
    double residual = study.yi - deleted.prediction;
    if (std::fabs(residual) < 100 * kEpsilon) {
        residual = 0;
    }
    return residual / std::sqrt(study.vi * deleted.s2w + deleted.predictionVariance +
                                deleted.tau2 * deleted.s2w);
}

// The hat value, 1 where it is within rounding of 1 (hatvalues()).
double Hat(double h) {
    return h > 1 - 10 * kEpsilon ? 1 : h;
}

} // namespace

namespace {

// X b for every row of the design.
Eigen::VectorXd Fitted(const FitDesign& design, const Eigen::VectorXd& beta) {
    if (!design.Absorbed()) {
        return design.Dense() * beta;
    }
    Eigen::VectorXd others(design.DenseColumns().size());
    for (std::size_t m = 0; m < design.DenseColumns().size(); ++m) {
        others[static_cast<Eigen::Index>(m)] = beta[design.DenseColumns()[m]];
    }
    Eigen::VectorXd fitted = design.Dense() * others;
    for (Eigen::Index i = 0; i < design.Rows(); ++i) {
        const int level = design.Level(i);
        fitted[i] +=
            beta[0] +
            (level > 0 ? beta[design.FactorColumns()[static_cast<std::size_t>(level) - 1]] : 0);
    }
    return fitted;
}

} // namespace

std::vector<StudyInfluence> Influence(std::span<const Study> studies, const Design& x,
                                      const Model& model, bool refit,
                                      const RefitProgress& progress) {
    const FitDesign design(x);
    const WeightedFit fit = FitWeighted(studies, design, model.tau2);
    std::vector<StudyInfluence> influence;
    influence.reserve(studies.size());
    for (std::size_t i = 0; i < studies.size(); ++i) {
        const double w = 1 / (studies[i].vi + model.tau2);
        influence.push_back(
            {100 * w / fit.sumW, kNaN, Hat(fit.hat[static_cast<Eigen::Index>(i)]), kNaN});
    }
    if (!refit) {
        return influence;
    }
    // Cook's distance over every coefficient, the intercept's too, by the full model's
    // covariance s2w (X'WX)^-1 (cooks.distance() of a model with moderators): the change of
    // the coefficients is weighed as the change of every study's fitted value,
    // (b - b_i)' X'WX (b - b_i) / s2w = sum w (X b - X b_i)^2 / s2w.
    const Eigen::VectorXd fitted = Fitted(design, model.beta);
    std::vector<Study> rest(studies.begin() + 1, studies.end());
    const ModelSettings settings = SettingsForTheRest(rest.size(), model.settings);
    for (std::size_t left = 0; left < studies.size(); ++left) {
        if (progress) {
            progress(left);
        }
        // The others, in order: study i leaves position i, the one before it takes its place.
        if (left > 0) {
            rest[left - 1] = studies[left - 1];
        }
        const auto row = static_cast<Eigen::Index>(left);
        const FitDesign without = design.WithoutRow(row);
        if (!IsFittable(without, settings.method)) {
            continue; // without the study the design is deficient: NaN
        }
        CoefficientFit refitted;
        try {
            refitted = FitCoefficients(rest, without, settings);
        } catch (const NotConverged&) {
            continue; // the likelihood without the study has no maximum: NaN
        }
        const Eigen::VectorXd beta = refitted.Beta();
        const Eigen::RowVectorXd xi = design.Row(row);
        const Deleted deleted{xi.dot(beta),
                              refitted.s2w * refitted.PredictionVarianceAt(without, xi),
                              refitted.Tau2(), refitted.s2w};
        influence[left].residual = StudentizedResidual(studies[left], deleted);
        const Eigen::VectorXd change = fitted - Fitted(design, beta);
        double weighed = 0;
        for (std::size_t j = 0; j < studies.size(); ++j) {
            const double c = change[static_cast<Eigen::Index>(j)];
            weighed += c * c / (studies[j].vi + model.tau2);
        }
        influence[left].cooksDistance = model.s2w > 0 ? weighed / model.s2w : kNaN;
    }
    return influence;
}

} // namespace tavrel::meta
