#include "meta/fit/dense_fit.h"

#include "meta/fit/streamed_triangle.h"
#include "meta/fit/study_sums.h"

#include <algorithm>
#include <cmath>

namespace tavrel::meta {

namespace {

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
    double logWeights = 0;
    StudyBlock studyBlock;
    const Eigen::MatrixXd r =
        StreamedTriangle(x.rows(), p + 1, [&](Eigen::Index start, Eigen::Index n, auto& block) {
            studyBlock.Load(studies, start, n);
            BlockArray w = BlockArray::Ones(n);
            if (weighted) {
                w = (studyBlock.v + tau2).inverse();
            }
            if (withLogs) {
                logWeights += w.log().sum();
            }
            const BlockArray root = w.sqrt();
            for (Eigen::Index j = 0; j < p; ++j) {
                block.col(j).head(n) = (root * x.col(j).segment(start, n).array()).matrix();
            }
            block.col(p).head(n) = (root * studyBlock.y).matrix();
        });
    return {r.topLeftCorner(p, p), r.col(p).head(p), r(p, p) * r(p, p), logWeights};
}

// R^-1, of which (X'WX)^-1 = R^-1 R^-T and each hat value w ||x R^-1||^2 follow.
Eigen::MatrixXd Inverse(const Eigen::MatrixXd& r) {
    return r.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(r.rows(), r.cols()));
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
    Eigen::MatrixXd qwq = Eigen::MatrixXd::Zero(p, p); // Q'WQ for the thin Q = W^1/2 X R^-1
    StudySums sums(fit, k, perStudy);
    ForEachBlock(studies, [&](const StudyBlock& b) {
        const auto rows = x.middleRows(b.start, b.n);
        const BlockArray w = (b.v + tau2).inverse();
        const Eigen::MatrixXd unweightedQ = rows.lazyProduct(rInverse); // each row x R^-1
        sums.Add(b.start, w, b.y - (rows * fit.beta).array(),
                 w * unweightedQ.rowwise().squaredNorm().array());
        const Eigen::MatrixXd weightedQ = w.matrix().asDiagonal() * unweightedQ;
        qwq.noalias() += weightedQ.transpose().lazyProduct(weightedQ);
    });
    sums.Finish(qwq.squaredNorm());
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
    ForEachBlock(studies, [&](const StudyBlock& b) {
        const BlockArray hat =
            x.middleRows(b.start, b.n).lazyProduct(rInverse).rowwise().squaredNorm();
        traceVarianceResidual += (b.v * (1 - hat)).sum();
    });
    return {triangle.q, traceVarianceResidual};
}

} // namespace tavrel::meta
