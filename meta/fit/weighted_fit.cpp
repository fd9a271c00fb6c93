#include "meta/fit/weighted_fit.h"

#include "meta/fit/absorbed_fit.h"
#include "meta/fit/dense_fit.h"
#include "meta/fit/one_column_fit.h"

#include <cmath>

// Each quantity by the path the design's shape calls for: a factor absorbed, one column, or a
// few columns decomposed a block of rows at a time.
namespace tavrel::meta {

namespace {

// Calls `fit` with the one-column path's column: none for the intercept alone.
template <class Fit> auto WithColumn(const FitDesign& design, Fit fit) {
    if (design.InterceptOnly()) {
        return fit(nullptr);
    }
    const Column column = design.Dense().col(0);
    return fit(&column);
}

} // namespace

WeightedFit FitWeighted(std::span<const Study> studies, const FitDesign& design, double tau2,
                        FitParts parts) {
    const bool perStudy = parts == FitParts::Everything;
    if (design.Absorbed()) {
        return FitAbsorbed(studies, design, tau2, true, parts != FitParts::Sums, perStudy);
    }
    const Design& x = design.Dense();
    if (x.cols() == 1) {
        return WithColumn(
            design, [&](const Column* c) { return FitOneColumn(studies, c, tau2, perStudy); });
    }
    return FitDense(studies, x, tau2, perStudy);
}

WeightedFit FitWeighted(std::span<const Study> studies, const Design& x, double tau2) {
    return FitWeighted(studies, FitDesign(x), tau2);
}

double ResidualQ(std::span<const Study> studies, const FitDesign& design, double tau2) {
    if (design.Absorbed()) {
        return FitAbsorbed(studies, design, tau2, true, false, false).q;
    }
    const Design& x = design.Dense();
    if (x.cols() == 1) {
        return WithColumn(design,
                          [&](const Column* c) { return ResidualQOneColumn(studies, c, tau2); });
    }
    return ResidualQDense(studies, x, tau2);
}

double LogLikelihood(std::span<const Study> studies, const FitDesign& design, double tau2,
                     bool restricted) {
    if (design.Absorbed()) {
        const WeightedFit fit = FitAbsorbed(studies, design, tau2, true, false, false);
        double sum = fit.q;
        for (const Study& study : studies) {
            sum += std::log(study.vi + tau2);
        }
        if (restricted) {
            // |X'WX| = prod W_l |Z'WZ| for the centred columns Z.
            sum += fit.levelWeights.array().log().sum() - std::log(fit.denseInverse.determinant());
        }
        return -sum / 2;
    }
    const Design& x = design.Dense();
    if (x.cols() == 1) {
        return WithColumn(design, [&](const Column* c) {
            return LogLikelihoodOneColumn(studies, c, tau2, restricted);
        });
    }
    return LogLikelihoodDense(studies, x, tau2, restricted);
}

UnweightedFit FitUnweighted(std::span<const Study> studies, const FitDesign& design) {
    if (design.Absorbed()) {
        const WeightedFit fit = FitAbsorbed(studies, design, 0, false, false, true);
        double traceVarianceResidual = 0;
        for (Eigen::Index i = 0; i < design.Rows(); ++i) {
            traceVarianceResidual += studies[static_cast<std::size_t>(i)].vi * (1 - fit.hat[i]);
        }
        return {fit.q, traceVarianceResidual};
    }
    const Design& x = design.Dense();
    if (x.cols() == 1) {
        return WithColumn(design,
                          [&](const Column* c) { return FitUnweightedOneColumn(studies, c); });
    }
    return FitUnweightedDense(studies, x);
}

double PredictionVariance(const FitDesign& design, const WeightedFit& fit,
                          const Eigen::RowVectorXd& x) {
    if (design.Absorbed()) {
        return AbsorbedPredictionVariance(design, fit, x);
    }
    return x * fit.inverse * x.transpose();
}

} // namespace tavrel::meta
