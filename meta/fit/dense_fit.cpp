#include "meta/fit/dense_fit.h"

#include "meta/fit/study_sums.h"

#include <algorithm>
#include <cmath>

namespace tavrel::meta {

namespace {

constexpr Eigen::Index kBlockRows = 2048;

// R with R'R = X'WX, z with R beta = z, the residual sum w r^2 as the last diagonal entry of the
// triangle of [X y] squared, and (where asked) sum log w.
struct Triangle {
    Eigen::MatrixXd r;
    Eigen::VectorXd z;
    double q;
    double logWeights;
};

Triangle Triangulate(std::span<const Study> studies, const Design& x, double tau2, bool weighted,
                     bool withLogs) {
    const Eigen::Index p = x.cols();
    const Eigen::Index k = x.rows();
    const Eigen::Index block = std::max(kBlockRows, 4 * p);
    Eigen::MatrixXd stack = Eigen::MatrixXd::Zero(p + 1 + block, p + 1);
    Eigen::HouseholderQR<Eigen::MatrixXd> qr(p + 1 + block, p + 1);
    double logWeights = 0;
    Eigen::Index top = 0; // the rows of the triangle so far, at the stack's top
    for (Eigen::Index start = 0; start < k; start += block) {
        const Eigen::Index n = std::min(block, k - start);
        for (Eigen::Index i = 0; i < n; ++i) {
            const Study& study = studies[static_cast<std::size_t>(start + i)];
            const double w = weighted ? 1 / (study.vi + tau2) : 1;
            if (withLogs) {
                logWeights += std::log(w);
            }
            const double root = std::sqrt(w);
            stack.row(top + i).head(p) = root * x.row(start + i);
            stack(top + i, p) = root * study.yi;
        }
        const Eigen::Index rows = top + n;
        qr.compute(stack.topRows(rows));
        top = std::min(rows, p + 1);
        stack.topRows(top) = qr.matrixQR().topRows(top).triangularView<Eigen::Upper>();
    }
    const double last = top > p ? stack(p, p) : 0;
    return {stack.topLeftCorner(p, p).triangularView<Eigen::Upper>(), stack.col(p).head(p),
            last * last, logWeights};
}

// R^-1, of which (X'WX)^-1 = R^-1 R^-T and each hat value w ||x R^-1||^2 follow.
Eigen::MatrixXd Inverse(const Eigen::MatrixXd& r) {
    return r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(r.rows(), r.cols()));
}

// ||x_i R^-1||^2, row by row without a temporary: R^-1 is upper triangular.
double RowTimesInverse(const Design& x, Eigen::Index i, const Eigen::MatrixXd& rInverse) {
    double squares = 0;
    for (Eigen::Index j = 0; j < rInverse.cols(); ++j) {
        double entry = 0;
        for (Eigen::Index a = 0; a <= j; ++a) {
            entry += x(i, a) * rInverse(a, j);
        }
        squares += entry * entry;
    }
    return squares;
}

} // namespace

WeightedFit FitDense(std::span<const Study> studies, const Design& x, double tau2, bool perStudy) {
    const Triangle triangle = Triangulate(studies, x, tau2, true, false);
    const Eigen::MatrixXd rInverse = Inverse(triangle.r);
    const Eigen::Index k = x.rows();
    WeightedFit fit;
    fit.beta = rInverse * triangle.z;
    fit.inverse = rInverse * rInverse.transpose();
    const Eigen::Index p = x.cols();
    Eigen::MatrixXd squaredWeights = Eigen::MatrixXd::Zero(p, p); // X'W^2X, its upper triangle
    StudySums sums(fit, k, perStudy);
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        const double w = 1 / (study.vi + tau2);
        sums.Add(i, w, study.yi - x.row(i).dot(fit.beta), w * RowTimesInverse(x, i, rInverse));
        for (Eigen::Index b = 0; b < p; ++b) {
            for (Eigen::Index a = 0; a <= b; ++a) {
                squaredWeights(a, b) += w * w * x(i, a) * x(i, b);
            }
        }
    }
    squaredWeights.triangularView<Eigen::StrictlyLower>() = squaredWeights.transpose();
    // Q'WQ = R^-T X'W^2X R^-1 for the thin Q = W^1/2 X R^-1.
    sums.Finish((rInverse.transpose() * squaredWeights * rInverse).squaredNorm());
    return fit;
}

double ResidualQDense(std::span<const Study> studies, const Design& x, double tau2) {
    return Triangulate(studies, x, tau2, true, false).q;
}

double LogLikelihoodDense(std::span<const Study> studies, const Design& x, double tau2,
                          bool restricted) {
    const Triangle triangle = Triangulate(studies, x, tau2, true, true);
    double sum = triangle.q - triangle.logWeights;
    if (restricted) {
        // |X'WX| = |R|^2.
        sum += 2 * triangle.r.diagonal().array().abs().log().sum();
    }
    return -sum / 2;
}

UnweightedFit FitUnweightedDense(std::span<const Study> studies, const Design& x) {
    const Triangle triangle = Triangulate(studies, x, 0, false, false);
    const Eigen::MatrixXd rInverse = Inverse(triangle.r);
    double traceVarianceResidual = 0;
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        traceVarianceResidual +=
            studies[static_cast<std::size_t>(i)].vi * (1 - (x.row(i) * rInverse).squaredNorm());
    }
    return {triangle.q, traceVarianceResidual};
}

} // namespace tavrel::meta
