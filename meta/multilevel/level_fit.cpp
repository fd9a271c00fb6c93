#include "meta/multilevel/level_fit.h"

#include <cmath>

namespace tavrel::meta {

LevelFitter::LevelFitter(const ClusteredStudies& studies)
    : studies_(studies), blocks_(static_cast<std::size_t>(studies.Clusters())) {}

void LevelFitter::Weigh(Components components) {
    e_ = 1 / (studies_.v.array() + components.within);
    u_ = e_.sqrt();
    logDeterminant_ = -e_.log().sum();
    for (Eigen::Index c = 0; c < studies_.Clusters(); ++c) {
        const double sum = e_.segment(studies_.Start(c), studies_.Size(c)).sum();
        const double denominator = 1 + components.between * sum;
        const double root = std::sqrt(denominator);
        // (1 - 1 / root) / sum without the cancellation where s sum e is small.
        const double alpha = components.between / (root * (1 + root));
        blocks_[static_cast<std::size_t>(c)] = {sum, denominator, alpha,
                                                components.between / denominator};
        logDeterminant_ += std::log(denominator);
    }
}

template <class Entry>
void LevelFitter::Apply(const Eigen::MatrixXd& z, const double* weight, Entry entry,
                        Eigen::MatrixXd& out) const {
    out.resize(z.rows(), z.cols());
    const double* u = u_.data();
    const double* e = e_.data();
    for (Eigen::Index j = 0; j < z.cols(); ++j) {
        const double* in = z.col(j).data();
        double* to = out.col(j).data();
        for (std::size_t c = 0; c < blocks_.size(); ++c) {
            const Eigen::Index start = studies_.starts[c];
            const Eigen::Index end = studies_.starts[c + 1];
            double m = 0;
            for (Eigen::Index i = start; i < end; ++i) {
                m += weight[i] * in[i];
            }
            const double alpha = blocks_[c].alpha;
            for (Eigen::Index i = start; i < end; ++i) {
                to[i] = entry(u[i], in[i], alpha, m, e[i]);
            }
        }
    }
}

void LevelFitter::Whiten(const Eigen::MatrixXd& z, Eigen::MatrixXd& out) const {
    Apply(
        z, e_.data(),
        [](double u, double z, double alpha, double m, double) { return u * (z - alpha * m); },
        out);
}

void LevelFitter::Unwhiten(const Eigen::MatrixXd& z, Eigen::MatrixXd& out) const {
    Apply(
        z, u_.data(),
        [](double u, double z, double alpha, double m, double e) { return u * z - alpha * m * e; },
        out);
}

void LevelFitter::AddTraces(bool restricted, LevelFit& fit, Eigen::Vector2d& trace) {
    Eigen::Matrix2d& info = fit.expected;
    info.setZero();
    trace.setZero();
    const Eigen::Index p = studies_.x.cols();
    if (restricted) {
        Unwhiten(q_, t_);
        h_.resize(studies_.Clusters(), p);
        f_.resize(studies_.Clusters(), p);
    }
    Eigen::VectorXd g2(studies_.Clusters());
    for (Eigen::Index c = 0; c < studies_.Clusters(); ++c) {
        const Block& block = blocks_[static_cast<std::size_t>(c)];
        const auto ec = e_.segment(studies_.Start(c), studies_.Size(c));
        const double squares = ec.square().sum();
        g2[c] = block.sum / block.denominator; // ||g||^2 = 1' W 1
        trace[0] += g2[c];
        trace[1] += block.sum - block.gamma * squares;
        info(0, 0) += g2[c] * g2[c];
        info(0, 1) += squares / (block.denominator * block.denominator);
        info(1, 1) += squares - 2 * block.gamma * ec.cube().sum() +
                      block.gamma * block.gamma * squares * squares;
        if (restricted) {
            for (Eigen::Index j = 0; j < p; ++j) {
                double h = 0, f = 0;
                for (Eigen::Index i = studies_.Start(c); i < studies_.Start(c + 1); ++i) {
                    h += q_(i, j) * u_[i];
                    f += t_(i, j) * e_[i];
                }
                h_(c, j) = h / std::sqrt(block.denominator);
                f_(c, j) = f / block.denominator;
            }
        }
    }
    if (restricted) {
        const Eigen::MatrixXd gram = h_.transpose() * h_; // G'G = sum h h'
        const Eigen::MatrixXd tt = t_.transpose() * t_;   // Q'BB'Q
        Whiten(t_, bt_);
        trace[0] -= gram.trace();
        trace[1] -= tt.trace();
        info(0, 0) +=
            -2 * (g2.array() * h_.rowwise().squaredNorm().array()).sum() + gram.squaredNorm();
        info(0, 1) += -2 * (h_.array() * f_.array()).sum() + (tt * gram).trace();
        info(1, 1) += -2 * bt_.squaredNorm() + tt.squaredNorm();
    }
    info(1, 0) = info(0, 1);
}

void LevelFitter::Project(const Eigen::VectorXd& z, Eigen::MatrixXd& out) {
    Whiten(z, scratch_);
    const Eigen::VectorXd along = q_.transpose() * scratch_;
    scratch_.noalias() -= q_ * along;
    Unwhiten(scratch_, out);
}

void LevelFitter::AddDerivatives(Likelihood likelihood, LevelFit& fit) {
    Eigen::Vector2d trace;
    AddTraces(likelihood == Likelihood::Restricted, fit, trace);
    // Vj P y: the cluster sums of Py given back to each row, and Py itself.
    vpy_[0].resize(py_.rows(), 1);
    for (Eigen::Index c = 0; c < studies_.Clusters(); ++c) {
        const Eigen::Index start = studies_.Start(c), n = studies_.Size(c);
        vpy_[0].col(0).segment(start, n).setConstant(py_.col(0).segment(start, n).sum());
    }
    vpy_[1] = py_;
    Project(vpy_[0].col(0), pvpy_[0]);
    Project(vpy_[1].col(0), pvpy_[1]);
    for (int j = 0; j < 2; ++j) {
        fit.score[j] = py_.col(0).dot(vpy_[j].col(0)) - trace[j];
        for (int l = 0; l < 2; ++l) {
            fit.observed(j, l) = 2 * vpy_[j].col(0).dot(pvpy_[l].col(0)) - fit.expected(j, l);
        }
    }
}

LevelFit LevelFitter::Fit(Components components, Likelihood likelihood, LevelParts parts) {
    Weigh(components);
    Whiten(studies_.x, x_);
    Whiten(studies_.y, y_);
    const Eigen::Index p = x_.cols();
    qr_.compute(x_);
    q_.setIdentity(x_.rows(), p);
    qr_.householderQ().applyThisOnTheLeft(q_, workspace_);
    const auto r = qr_.matrixQR().topRows(p).triangularView<Eigen::Upper>();
    LevelFit fit{};
    fit.beta = r.solve(q_.transpose() * y_);
    residual_ = y_;
    residual_.noalias() -= x_ * fit.beta;
    fit.q = residual_.squaredNorm();
    const Eigen::MatrixXd rInverse = r.solve(Eigen::MatrixXd::Identity(p, p));
    fit.inverse = rInverse * rInverse.transpose();
    double logLikelihood = logDeterminant_ + fit.q;
    if (likelihood == Likelihood::Restricted) {
        // log |X'WX|
        logLikelihood += 2 * qr_.matrixQR().diagonal().head(p).cwiseAbs().array().log().sum();
    }
    fit.logLikelihood = -logLikelihood / 2;
    if (parts == LevelParts::Derivatives) {
        Unwhiten(residual_, py_);
        AddDerivatives(likelihood, fit);
    }
    return fit;
}

Eigen::VectorXd LevelFitter::DiagonalWeight(Components components) {
    Weigh(components);
    Eigen::VectorXd weight = e_;
    for (Eigen::Index c = 0; c < studies_.Clusters(); ++c) {
        const Eigen::Index start = studies_.Start(c), n = studies_.Size(c);
        weight.segment(start, n).array() -=
            blocks_[static_cast<std::size_t>(c)].gamma * e_.segment(start, n).square();
    }
    return weight;
}

LevelFit FitLevels(const ClusteredStudies& studies, Components components, Likelihood likelihood,
                   LevelParts parts) {
    return LevelFitter(studies).Fit(components, likelihood, parts);
}

} // namespace tavrel::meta
