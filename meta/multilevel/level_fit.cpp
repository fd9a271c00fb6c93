#include "meta/multilevel/level_fit.h"

#include <cmath>
#include <vector>

namespace tavrel::meta {

namespace {

// One cluster's block D + s 1 1' in closed form, with e = 1 / diag(D):
//   W = D^-1 - s / (1 + s sum e) e e',  log |V| = sum log d + log(1 + s sum e),
// and the whitening B = (I - a u u') D^-1/2 with a = (1 - (1 + s sum e)^-1/2) / sum e, so that
// B'B = W (the factor of I - c u u' as a square (I - a u u')^2).
struct Block {
    double sum;         // sum e
    double denominator; // 1 + s sum e
    double alpha;       // a
    double gamma;       // s / (1 + s sum e)
};

class Whitening {
  public:
    Whitening(const ClusteredStudies& studies, Components components)
        : studies_(studies), e_(1 / (studies.v.array() + components.within)), u_(e_.sqrt()) {
        blocks_.reserve(static_cast<std::size_t>(studies.Clusters()));
        logDeterminant_ = -e_.log().sum();
        for (Eigen::Index c = 0; c < studies.Clusters(); ++c) {
            const double sum = e_.segment(studies.Start(c), studies.Size(c)).sum();
            const double denominator = 1 + components.between * sum;
            const double root = std::sqrt(denominator);
            // (1 - 1 / root) / sum without the cancellation where s sum e is small.
            const double alpha = components.between / (root * (1 + root));
            blocks_.push_back({sum, denominator, alpha, components.between / denominator});
            logDeterminant_ += std::log(denominator);
        }
    }

    // B z, column by column.
    Eigen::MatrixXd Whiten(const Eigen::MatrixXd& z) const {
        Eigen::MatrixXd out(z.rows(), z.cols());
        ForEachCluster([&](Eigen::Index start, Eigen::Index n, const Block& block) {
            const Eigen::RowVectorXd m =
                e_.segment(start, n).matrix().transpose() * z.middleRows(start, n);
            out.middleRows(start, n) = u_.segment(start, n).matrix().asDiagonal() *
                                       (z.middleRows(start, n).rowwise() - block.alpha * m);
        });
        return out;
    }

    // B' z, column by column.
    Eigen::MatrixXd Unwhiten(const Eigen::MatrixXd& z) const {
        Eigen::MatrixXd out(z.rows(), z.cols());
        ForEachCluster([&](Eigen::Index start, Eigen::Index n, const Block& block) {
            const Eigen::RowVectorXd m =
                u_.segment(start, n).matrix().transpose() * z.middleRows(start, n);
            out.middleRows(start, n) =
                u_.segment(start, n).matrix().asDiagonal() * z.middleRows(start, n) -
                block.alpha * e_.segment(start, n).matrix() * m;
        });
        return out;
    }

    template <class F> void ForEachCluster(F f) const {
        for (Eigen::Index c = 0; c < studies_.Clusters(); ++c) {
            f(studies_.Start(c), studies_.Size(c), blocks_[static_cast<std::size_t>(c)]);
        }
    }

    const Eigen::ArrayXd& E() const { return e_; }
    double LogDeterminant() const { return logDeterminant_; }

  private:
    const ClusteredStudies& studies_;
    Eigen::ArrayXd e_;
    Eigen::ArrayXd u_;
    std::vector<Block> blocks_;
    double logDeterminant_;
};

// The whitened design's QR: Q (k x p, orthonormal columns) and R.
struct Decomposition {
    Eigen::MatrixXd q;
    Eigen::MatrixXd r;
};

Decomposition Decompose(const Eigen::MatrixXd& whitened) {
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(whitened);
    const Eigen::Index p = whitened.cols();
    return {qr.householderQ() * Eigen::MatrixXd::Identity(whitened.rows(), p),
            qr.matrixQR().topRows(p).triangularView<Eigen::Upper>()};
}

// Sums over each cluster's rows of `z`, given back to each row: Z Z' z.
Eigen::VectorXd ClusterSums(const Whitening& whitening, const Eigen::VectorXd& z) {
    Eigen::VectorXd out(z.size());
    whitening.ForEachCluster([&](Eigen::Index start, Eigen::Index n, const Block&) {
        out.segment(start, n).setConstant(z.segment(start, n).sum());
    });
    return out;
}

// tr(W Vj W Vl), tr(W Vj), and for the restricted likelihood the parts that P's second term
// takes off them: with T = B'Q and, for each cluster, g = B 1 = u / sqrt(1 + s sum e),
// h = Q_c' g and f = T_c' B_c' g = T_c' e / (1 + s sum e).
void AddTraces(const Whitening& whitening, const Decomposition* qr, LevelFit& fit,
               Eigen::Vector2d& trace) {
    const Eigen::ArrayXd& e = whitening.E();
    Eigen::Matrix2d& info = fit.expected;
    info.setZero();
    trace.setZero();
    const Eigen::Index p = fit.beta.size();
    const Eigen::MatrixXd t = qr != nullptr ? whitening.Unwhiten(qr->q) : Eigen::MatrixXd();
    Eigen::MatrixXd gram = Eigen::MatrixXd::Zero(p, p); // G'G = sum h h'
    double hf = 0, gh = 0;
    whitening.ForEachCluster([&](Eigen::Index start, Eigen::Index n, const Block& block) {
        const auto ec = e.segment(start, n);
        const double squares = ec.square().sum();
        const double g2 = block.sum / block.denominator; // ||g||^2 = 1' W 1
        trace[0] += g2;
        trace[1] += block.sum - block.gamma * squares;
        info(0, 0) += g2 * g2;
        info(0, 1) += squares / (block.denominator * block.denominator);
        info(1, 1) += squares - 2 * block.gamma * ec.cube().sum() +
                      block.gamma * block.gamma * squares * squares;
        if (qr != nullptr) {
            const Eigen::VectorXd h = qr->q.middleRows(start, n).transpose() * ec.sqrt().matrix() /
                                      std::sqrt(block.denominator);
            const Eigen::VectorXd f =
                t.middleRows(start, n).transpose() * ec.matrix() / block.denominator;
            gram.noalias() += h * h.transpose();
            hf += h.dot(f);
            gh += g2 * h.squaredNorm();
        }
    });
    if (qr != nullptr) {
        const Eigen::MatrixXd tt = t.transpose() * t; // Q'BB'Q
        trace[0] -= gram.trace();
        trace[1] -= tt.trace();
        info(0, 0) += -2 * gh + gram.squaredNorm();
        info(0, 1) += -2 * hf + (tt * gram).trace();
        info(1, 1) += -2 * whitening.Whiten(t).squaredNorm() + tt.squaredNorm();
    }
    info(1, 0) = info(0, 1);
}

// The score and both informations, from Py = B' r~ and P z = B'(I - QQ')B z.
void AddDerivatives(const Whitening& whitening, const Decomposition& qr, const Eigen::VectorXd& py,
                    Likelihood likelihood, LevelFit& fit) {
    Eigen::Vector2d trace;
    AddTraces(whitening, likelihood == Likelihood::Restricted ? &qr : nullptr, fit, trace);
    const auto project = [&](const Eigen::VectorXd& z) -> Eigen::VectorXd {
        const Eigen::MatrixXd b = whitening.Whiten(z);
        return whitening.Unwhiten(b - qr.q * (qr.q.transpose() * b));
    };
    const Eigen::VectorXd vpy[2] = {ClusterSums(whitening, py), py}; // Vj P y
    const Eigen::VectorXd pvpy[2] = {project(vpy[0]), project(vpy[1])};
    for (int j = 0; j < 2; ++j) {
        fit.score[j] = py.dot(vpy[j]) - trace[j];
        for (int l = 0; l < 2; ++l) {
            fit.observed(j, l) = 2 * vpy[j].dot(pvpy[l]) - fit.expected(j, l);
        }
    }
}

} // namespace

LevelFit FitLevels(const ClusteredStudies& studies, Components components, Likelihood likelihood,
                   LevelParts parts) {
    const Whitening whitening(studies, components);
    const Eigen::MatrixXd x = whitening.Whiten(studies.x);
    const Eigen::VectorXd y = whitening.Whiten(studies.y);
    const Decomposition qr = Decompose(x);
    const auto r = qr.r.triangularView<Eigen::Upper>();
    LevelFit fit{};
    fit.beta = r.solve(qr.q.transpose() * y);
    const Eigen::VectorXd residual = y - x * fit.beta;
    fit.q = residual.squaredNorm();
    const Eigen::MatrixXd rInverse = r.solve(Eigen::MatrixXd::Identity(x.cols(), x.cols()));
    fit.inverse = rInverse * rInverse.transpose();
    double logLikelihood = whitening.LogDeterminant() + fit.q;
    if (likelihood == Likelihood::Restricted) {
        logLikelihood += 2 * qr.r.diagonal().cwiseAbs().array().log().sum(); // log |X'WX|
    }
    fit.logLikelihood = -logLikelihood / 2;
    // diag(W): e - s e^2 / (1 + s sum e), cluster by cluster.
    const Eigen::ArrayXd& e = whitening.E();
    fit.diagonalWeight = e;
    whitening.ForEachCluster([&](Eigen::Index start, Eigen::Index n, const Block& block) {
        fit.diagonalWeight.segment(start, n).array() -= block.gamma * e.segment(start, n).square();
    });
    if (parts == LevelParts::Derivatives) {
        AddDerivatives(whitening, qr, whitening.Unwhiten(residual), likelihood, fit);
    }
    return fit;
}

} // namespace tavrel::meta
