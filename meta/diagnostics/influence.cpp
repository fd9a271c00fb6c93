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

std::vector<StudyInfluence> Influence(std::span<const Study> studies, const Design& x,
                                      std::span<const std::string> names, const Model& model,
                                      bool refit, const RefitProgress& progress) {
    const WeightedFit fit = FitWeighted(studies, x, model.tau2);
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
    // covariance (cooks.distance() of a model with moderators).
    const Eigen::LLT<Eigen::MatrixXd> covariance(model.vb);
    std::vector<Study> rest(studies.begin() + 1, studies.end());
    Design restX = x.bottomRows(x.rows() - 1);
    for (std::size_t left = 0; left < studies.size(); ++left) {
        if (progress) {
            progress(left);
        }
        // The others, in order: study i leaves position i, the one before it takes its place.
        if (left > 0) {
            rest[left - 1] = studies[left - 1];
            restX.row(static_cast<Eigen::Index>(left) - 1) =
                x.row(static_cast<Eigen::Index>(left) - 1);
        }
        Model without;
        try {
            without = FitOneLeftOut(rest, restX, names, model.settings);
        } catch (const std::exception&) {
            continue; // without the study the design is deficient, or has no maximum: NaN
        }
        const Eigen::RowVectorXd xi = x.row(static_cast<Eigen::Index>(left));
        const Deleted deleted{xi.dot(without.beta), xi * without.vb * xi.transpose(), without.tau2,
                              without.s2w};
        influence[left].residual = StudentizedResidual(studies[left], deleted);
        const Eigen::VectorXd change = model.beta - without.beta;
        influence[left].cooksDistance = change.dot(covariance.solve(change));
    }
    return influence;
}

} // namespace tavrel::meta
