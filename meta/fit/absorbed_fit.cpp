#include "meta/fit/absorbed_fit.h"

#include <cmath>

namespace tavrel::meta {

namespace {

// The studies' levels summed: each level's weight, and the weighted means of y and of the
// other columns in it.
struct LevelSums {
    Eigen::VectorXd weight;
    Eigen::VectorXd meanY;
    Eigen::MatrixXd meanZ;
};

LevelSums SumLevels(const FitDesign& design, const Eigen::VectorXd& w, const Eigen::VectorXd& y) {
    const Design& z = design.Dense();
    LevelSums sums{Eigen::VectorXd::Zero(design.Levels()), Eigen::VectorXd::Zero(design.Levels()),
                   Eigen::MatrixXd::Zero(design.Levels(), z.cols())};
    for (Eigen::Index i = 0; i < design.Rows(); ++i) {
        const int l = design.Level(i);
        sums.weight[l] += w[i];
        sums.meanY[l] += w[i] * y[i];
        sums.meanZ.row(l) += w[i] * z.row(i);
    }
    sums.meanY.array() /= sums.weight.array();
    for (Eigen::Index l = 0; l < sums.meanZ.rows(); ++l) {
        sums.meanZ.row(l) /= sums.weight[l];
    }
    return sums;
}

// (X'WX)^-1 in the design's own columns: the intercept is the reference level's coefficient
// and each indicator a level's difference from it. With A = diag(W_l) and the centred
// columns' S^-1, the levels' covariance is A^-1 + M S^-1 M' (M the levels' means of the other
// columns), the levels' with the other columns' -M S^-1, and theirs S^-1.
Eigen::MatrixXd DesignCovariance(const FitDesign& design, const LevelSums& sums,
                                 const Eigen::MatrixXd& sInverse) {
    const Eigen::Index levels = design.Levels();
    const Eigen::MatrixXd cross = -sums.meanZ * sInverse; // Cov(levels, others): levels x q
    Eigen::MatrixXd c = -cross * sums.meanZ.transpose();  // Cov(levels)
    c.diagonal() += sums.weight.cwiseInverse();
    // Where level l's coefficient is: the intercept for the reference, else its indicator.
    const auto at = [&](Eigen::Index l) {
        return l == 0 ? Eigen::Index{0} : design.FactorColumns()[static_cast<std::size_t>(l) - 1];
    };
    const std::vector<Eigen::Index>& dense = design.DenseColumns();
    Eigen::MatrixXd v(design.Cols(), design.Cols());
    for (Eigen::Index a = 0; a < levels; ++a) {
        // Each level's coefficient but the reference's is its difference from the reference.
        for (Eigen::Index b = 0; b < levels; ++b) {
            v(at(a), at(b)) = c(a, b) - (a > 0 ? c(0, b) : 0) - (b > 0 ? c(a, 0) : 0) +
                              (a > 0 && b > 0 ? c(0, 0) : 0);
        }
        for (std::size_t m = 0; m < dense.size(); ++m) {
            const auto n = static_cast<Eigen::Index>(m);
            v(at(a), dense[m]) = v(dense[m], at(a)) = cross(a, n) - (a > 0 ? cross(0, n) : 0);
        }
    }
    for (std::size_t m = 0; m < dense.size(); ++m) {
        for (std::size_t n = 0; n < dense.size(); ++n) {
            v(dense[m], dense[n]) =
                sInverse(static_cast<Eigen::Index>(m), static_cast<Eigen::Index>(n));
        }
    }
    return v;
}

} // namespace

namespace {

// The other columns fitted to the studies centred within their level, weighted:
// W^1/2 (Z - M_l) and W^1/2 (y - m_l). Their coefficients, (Z'WZ)^-1 and thin Q; none where
// nothing but the factor is in the design.
struct CentredFit {
    Eigen::VectorXd delta;
    Eigen::MatrixXd inverse;
    Eigen::MatrixXd thinQ;
};

CentredFit FitCentred(const FitDesign& design, const LevelSums& sums, const Eigen::VectorXd& w,
                      const Eigen::VectorXd& y) {
    const Eigen::Index k = design.Rows();
    const Design& z = design.Dense();
    const Eigen::Index q = z.cols();
    CentredFit fit{Eigen::VectorXd::Zero(q), Eigen::MatrixXd(q, q), Eigen::MatrixXd(k, q)};
    if (q == 0) {
        return fit;
    }
    Eigen::MatrixXd centred(k, q);
    Eigen::VectorXd centredY(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        const int l = design.Level(i);
        const double root = std::sqrt(w[i]);
        centred.row(i) = root * (z.row(i) - sums.meanZ.row(l));
        centredY[i] = root * (y[i] - sums.meanY[l]);
    }
    const Eigen::HouseholderQR<Eigen::MatrixXd> qr(centred);
    fit.delta = qr.solve(centredY);
    const auto r = qr.matrixQR().topLeftCorner(q, q).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd rInverse = r.solve(Eigen::MatrixXd::Identity(q, q));
    fit.inverse = rInverse * rInverse.transpose();
    fit.thinQ = qr.householderQ() * Eigen::MatrixXd::Identity(k, q);
    return fit;
}

// The coefficients in the design's own columns: the reference level's as the intercept, each
// other level's as its difference from it, and the other columns'.
Eigen::VectorXd DesignCoefficients(const FitDesign& design, const Eigen::VectorXd& gamma,
                                   const Eigen::VectorXd& delta) {
    Eigen::VectorXd beta(design.Cols());
    beta[0] = gamma[0];
    for (Eigen::Index l = 1; l < design.Levels(); ++l) {
        beta[design.FactorColumns()[static_cast<std::size_t>(l) - 1]] = gamma[l] - gamma[0];
    }
    for (std::size_t m = 0; m < design.DenseColumns().size(); ++m) {
        beta[design.DenseColumns()[m]] = delta[static_cast<Eigen::Index>(m)];
    }
    return beta;
}

// Q and tr P, tr PP, with H = H_levels + H_centred: each hat value is w / W_l plus the thin Q's
// row, and ||Q'WQ||_F^2 is taken over the blocks of Q = [Q_levels, Q_centred]: Q_levels'WQ_levels
// is diagonal, sum w^2 / W_l, and the cross block counts twice.
void AddTraces(WeightedFit& fit, const FitDesign& design, const Eigen::VectorXd& w,
               const Eigen::MatrixXd& thinQ) {
    fit.hat = thinQ.rowwise().squaredNorm();
    Eigen::VectorXd levelSquares = Eigen::VectorXd::Zero(design.Levels()); // sum w^2 in a level
    Eigen::MatrixXd levelCross = Eigen::MatrixXd::Zero(design.Levels(), thinQ.cols());
    for (Eigen::Index i = 0; i < design.Rows(); ++i) {
        const int l = design.Level(i);
        fit.hat[i] += w[i] / fit.levelWeights[l];
        levelSquares[l] += w[i] * w[i];
        levelCross.row(l) += std::sqrt(w[i] / fit.levelWeights[l]) * w[i] * thinQ.row(i);
    }
    const Eigen::VectorXd wr = w.cwiseProduct(fit.residual);
    fit.q = wr.dot(fit.residual);
    fit.residualSquares = wr.squaredNorm();
    fit.sumW = w.sum();
    fit.sumW2 = w.squaredNorm();
    fit.traceP = fit.sumW - w.dot(fit.hat);
    const double levelBlock = levelSquares.cwiseQuotient(fit.levelWeights).squaredNorm();
    const Eigen::MatrixXd centredBlock = thinQ.transpose() * w.asDiagonal() * thinQ;
    fit.tracePP = fit.sumW2 - 2 * w.cwiseProduct(w).dot(fit.hat) + levelBlock +
                  2 * levelCross.squaredNorm() + centredBlock.squaredNorm();
}

} // namespace

WeightedFit FitAbsorbed(std::span<const Study> studies, const FitDesign& design, double tau2,
                        bool weighted, bool covariance, bool perStudy) {
    const Eigen::Index k = design.Rows();
    Eigen::VectorXd w(k);
    Eigen::VectorXd y(k);
    for (Eigen::Index i = 0; i < k; ++i) {
        const Study& study = studies[static_cast<std::size_t>(i)];
        y[i] = study.yi;
        w[i] = weighted ? 1 / (study.vi + tau2) : 1;
    }
    const LevelSums sums = SumLevels(design, w, y);
    CentredFit centred = FitCentred(design, sums, w, y);
    const Eigen::VectorXd gamma = sums.meanY - sums.meanZ * centred.delta;
    WeightedFit fit;
    fit.levelWeights = sums.weight;
    fit.levelMeans = sums.meanZ;
    fit.beta = DesignCoefficients(design, gamma, centred.delta);
    if (covariance) {
        fit.inverse = DesignCovariance(design, sums, centred.inverse);
    }
    fit.denseInverse = std::move(centred.inverse);
    fit.residual = y - design.Dense() * centred.delta;
    for (Eigen::Index i = 0; i < k; ++i) {
        fit.residual[i] -= gamma[design.Level(i)];
    }
    AddTraces(fit, design, w, centred.thinQ);
    if (!perStudy) {
        fit.residual.resize(0);
        fit.hat.resize(0);
    }
    return fit;
}

double AbsorbedPredictionVariance(const FitDesign& design, const WeightedFit& fit,
                                  const Eigen::RowVectorXd& x) {
    // The level x belongs to, and its other columns less that level's means.
    Eigen::Index level = 0;
    for (std::size_t l = 0; l < design.FactorColumns().size(); ++l) {
        if (x[design.FactorColumns()[l]] == 1) {
            level = static_cast<Eigen::Index>(l) + 1;
        }
    }
    Eigen::RowVectorXd centred(static_cast<Eigen::Index>(design.DenseColumns().size()));
    for (std::size_t m = 0; m < design.DenseColumns().size(); ++m) {
        const auto n = static_cast<Eigen::Index>(m);
        centred[n] = x[design.DenseColumns()[m]] - fit.levelMeans(level, n);
    }
    return 1 / fit.levelWeights[level] + centred * fit.denseInverse * centred.transpose();
}

} // namespace tavrel::meta
