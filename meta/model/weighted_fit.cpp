#include "meta/model/weighted_fit.h"

#include "meta/model/one_column_fit.h"

#include <cmath>

namespace tavrel::meta {

namespace {

// The studies as vectors: the effects y and the weights 1 / (v + tau2).
struct Weighted {
    Eigen::VectorXd y;
    Eigen::VectorXd w;
};

Weighted Vectors(std::span<const Study> studies, double tau2) {
    const auto k = static_cast<Eigen::Index>(studies.size());
    Weighted v{Eigen::VectorXd(k), Eigen::VectorXd(k)};
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        v.y[i] = study.yi;
        v.w[i] = 1 / (study.vi + tau2);
    }
    return v;
}

// The Householder QR of W^1/2 X, the fit of W^1/2 y on it, (X'WX)^-1 and the thin Q.
struct Decomposed {
    Eigen::VectorXd beta;
    Eigen::MatrixXd inverse;
    Eigen::MatrixXd thinQ;
};

Decomposed Decompose(const Weighted& v, const Design& x) {
    const Eigen::Index p = x.cols();
    const Eigen::VectorXd sqrtW = v.w.cwiseSqrt();
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(sqrtW.asDiagonal() * x);
    Decomposed d;
    d.beta = qr.solve(sqrtW.cwiseProduct(v.y));
    const auto r = qr.matrixQR().topLeftCorner(p, p).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd rInverse = r.solve(Eigen::MatrixXd::Identity(p, p));
    d.inverse = rInverse * rInverse.transpose();
    d.thinQ = qr.householderQ() * Eigen::MatrixXd::Identity(x.rows(), p);
    return d;
}

} // namespace

WeightedFit FitWeighted(std::span<const Study> studies, const Design& x, double tau2) {
    if (x.cols() == 1) {
        return FitOneColumn(studies, x.col(0), tau2);
    }
    const Weighted v = Vectors(studies, tau2);
    Decomposed d = Decompose(v, x);
    WeightedFit fit;
    fit.beta = std::move(d.beta);
    fit.inverse = std::move(d.inverse);
    fit.residual = v.y - x * fit.beta;
    fit.hat = d.thinQ.rowwise().squaredNorm();
    const Eigen::VectorXd wr = v.w.cwiseProduct(fit.residual);
    fit.q = wr.dot(fit.residual);
    fit.residualSquares = wr.squaredNorm();
    fit.sumW = v.w.sum();
    fit.sumW2 = v.w.squaredNorm();
    fit.traceP = fit.sumW - v.w.dot(fit.hat);
    const Eigen::MatrixXd qwq = d.thinQ.transpose() * v.w.asDiagonal() * d.thinQ;
    fit.tracePP = fit.sumW2 - 2 * v.w.cwiseProduct(v.w).dot(fit.hat) + qwq.squaredNorm();
    return fit;
}

namespace {

// The QR of W^1/2 X, and W^1/2 y turned by its Q': the weighted residuals are the part of
// W^1/2 y outside the columns' span, the turned vector below its first p entries.
struct Turned {
    Eigen::HouseholderQR<Eigen::MatrixXd> qr;
    Eigen::VectorXd y;
    double ResidualQ() const { return y.tail(y.size() - qr.cols()).squaredNorm(); }
};

Turned Turn(const Weighted& v, const Design& x) {
    const Eigen::VectorXd sqrtW = v.w.cwiseSqrt();
    Turned turned{Eigen::HouseholderQR<Eigen::MatrixXd>(sqrtW.asDiagonal() * x), {}};
    turned.y = turned.qr.householderQ().transpose() * sqrtW.cwiseProduct(v.y);
    return turned;
}

} // namespace

double ResidualQ(std::span<const Study> studies, const Design& x, double tau2) {
    if (x.cols() == 1) {
        return ResidualQOneColumn(studies, x.col(0), tau2);
    }
    return Turn(Vectors(studies, tau2), x).ResidualQ();
}

double LogLikelihood(std::span<const Study> studies, const Design& x, double tau2,
                     bool restricted) {
    if (x.cols() == 1) {
        return LogLikelihoodOneColumn(studies, x.col(0), tau2, restricted);
    }
    const Weighted v = Vectors(studies, tau2);
    const Turned turned = Turn(v, x);
    double sum = turned.ResidualQ() - v.w.array().log().sum();
    if (restricted) {
        // |X'WX| = |R|^2.
        sum += 2 * turned.qr.matrixQR().diagonal().head(x.cols()).array().abs().log().sum();
    }
    return -sum / 2;
}

UnweightedFit FitUnweighted(std::span<const Study> studies, const Design& x) {
    if (x.cols() == 1) {
        return FitUnweightedOneColumn(studies, x.col(0));
    }
    Weighted v = Vectors(studies, 0);
    v.w.setOnes();
    const Decomposed d = Decompose(v, x);
    const Eigen::VectorXd residual = v.y - x * d.beta;
    const Eigen::VectorXd hat = d.thinQ.rowwise().squaredNorm();
    double traceVarianceResidual = 0;
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        traceVarianceResidual += studies[static_cast<std::size_t>(i)].vi * (1 - hat[i]);
    }
    return {residual.squaredNorm(), traceVarianceResidual};
}

} // namespace tavrel::meta
