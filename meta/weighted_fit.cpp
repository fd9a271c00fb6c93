#include "meta/weighted_fit.h"

namespace tavrel::meta {

namespace {

// The Householder QR of diag(sqrt(w)) X, its thin Q, and the fit of diag(sqrt(w)) y.
struct Decomposed {
    Eigen::VectorXd beta;
    Eigen::MatrixXd inverse;
    Eigen::MatrixXd thinQ;
};

Decomposed Decompose(std::span<const Study> studies, const Design& x,
                     const Eigen::VectorXd& sqrtW) {
    const Eigen::Index k = x.rows();
    const Eigen::Index p = x.cols();
    Eigen::VectorXd y(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        y[i] = studies[static_cast<std::size_t>(i)].yi * sqrtW[i];
    }
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(sqrtW.asDiagonal() * x);
    Decomposed d;
    d.beta = qr.solve(y);
    const auto r = qr.matrixQR().topLeftCorner(p, p).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd rInverse = r.solve(Eigen::MatrixXd::Identity(p, p));
    d.inverse = rInverse * rInverse.transpose();
    d.thinQ = qr.householderQ() * Eigen::MatrixXd::Identity(k, p);
    return d;
}

} // namespace

WeightedFit FitWeighted(std::span<const Study> studies, const Design& x, double tau2) {
    const Eigen::Index k = x.rows();
    Eigen::VectorXd w(k);
    Eigen::VectorXd y(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        w[i] = 1 / (study.vi + tau2);
        y[i] = study.yi;
    }
    Decomposed d = Decompose(studies, x, w.cwiseSqrt());
    WeightedFit fit;
    fit.beta = std::move(d.beta);
    fit.inverse = std::move(d.inverse);
    fit.residual = y - x * fit.beta;
    fit.hat = d.thinQ.rowwise().squaredNorm();
    const Eigen::VectorXd wr = w.cwiseProduct(fit.residual);
    fit.q = wr.dot(fit.residual);
    fit.residualSquares = wr.squaredNorm();
    fit.sumW = w.sum();
    fit.sumW2 = w.squaredNorm();
    fit.traceP = fit.sumW - w.dot(fit.hat);
    const Eigen::MatrixXd qwq = d.thinQ.transpose() * w.asDiagonal() * d.thinQ;
    fit.tracePP = fit.sumW2 - 2 * w.cwiseProduct(w).dot(fit.hat) + qwq.squaredNorm();
    return fit;
}

double ResidualQ(std::span<const Study> studies, const Design& x, double tau2) {
    const Eigen::Index k = x.rows();
    Eigen::VectorXd sqrtW(k);
    Eigen::VectorXd y(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        sqrtW[i] = std::sqrt(1 / (study.vi + tau2));
        y[i] = study.yi * sqrtW[i];
    }
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(sqrtW.asDiagonal() * x);
    // The weighted residuals are the part of W^1/2 y outside the columns' span: Q'(W^1/2 y)
    // below its first p entries.
    const Eigen::VectorXd rotated = qr.householderQ().transpose() * y;
    return rotated.tail(k - x.cols()).squaredNorm();
}

UnweightedFit FitUnweighted(std::span<const Study> studies, const Design& x) {
    const Eigen::Index k = x.rows();
    const Decomposed d = Decompose(studies, x, Eigen::VectorXd::Ones(k));
    UnweightedFit fit{0, 0};
    const Eigen::VectorXd hat = d.thinQ.rowwise().squaredNorm();
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        const double r = study.yi - x.row(i).dot(d.beta);
        fit.squares += r * r;
        fit.traceVarianceResidual += study.vi * (1 - hat[i]);
    }
    return fit;
}

} // namespace tavrel::meta
