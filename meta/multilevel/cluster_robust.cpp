#include "meta/multilevel/cluster_robust.h"

#include "meta/model/quiet_policy.h"

#include <algorithm>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace tavrel::meta {

namespace {

constexpr double kSmallestEigenvalue = 1e-12; // clubSandwich's matrix_power

// What each cluster adds: its part of the meat, and the diagonal (G G') and low-rank (H) parts
// of clubSandwich's P for every pair of coefficients.
struct ClusterParts {
    Eigen::VectorXd score; // X_c' W_c A_c e_c
    Eigen::MatrixXd gram;  // G G', G = M E_c F' (p x n)
    Eigen::MatrixXd h;     // M E_c X_c L, p x p
};

// The symmetric inverse square root, eigenvalues at or below the threshold taken as 0.
Eigen::MatrixXd InverseSquareRoot(const Eigen::MatrixXd& g) {
    const Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eigen(g);
    const Eigen::VectorXd values = eigen.eigenvalues().unaryExpr(
        [](double value) { return value > kSmallestEigenvalue ? 1 / std::sqrt(value) : 0.0; });
    return eigen.eigenvectors() * values.asDiagonal() * eigen.eigenvectors().transpose();
}

ClusterParts PartsOf(const ClusteredStudies& arranged, Eigen::Index c, Components components,
                     const Eigen::MatrixXd& m, const Eigen::MatrixXd& mFactor,
                     const Eigen::VectorXd& residual) {
    const Eigen::Index start = arranged.Start(c);
    const Eigen::Index n = arranged.Size(c);
    const auto xc = arranged.x.middleRows(start, n);
    Eigen::MatrixXd vc = Eigen::MatrixXd::Constant(n, n, components.between);
    vc.diagonal() += (arranged.v.segment(start, n).array() + components.within).matrix();
    const Eigen::LLT<Eigen::MatrixXd> llt(vc);
    const Eigen::MatrixXd f = llt.matrixU(); // V_c = F'F
    const Eigen::MatrixXd wc = llt.solve(Eigen::MatrixXd::Identity(n, n));
    const Eigen::MatrixXd adjustment =
        f.transpose() * InverseSquareRoot(f * (vc - xc * m * xc.transpose()) * f.transpose()) * f;
    const Eigen::MatrixXd e = xc.transpose() * wc * adjustment; // p x n
    const Eigen::MatrixXd me = m * e;
    const Eigen::MatrixXd g = me * f.transpose();
    return {e * residual.segment(start, n), g * g.transpose(), me * xc * mFactor};
}

// Satterthwaite's degrees of freedom of coefficient i: P = diag(g) - H H', H = the clusters'
// rows of their h.
double SatterthwaiteDf(const std::vector<ClusterParts>& parts, Eigen::Index i) {
    const Eigen::Index p = parts.front().h.cols();
    Eigen::MatrixXd gram = Eigen::MatrixXd::Zero(p, p);
    double trace = 0, diagonalSquares = 0, cross = 0;
    for (const ClusterParts& part : parts) {
        const Eigen::RowVectorXd h = part.h.row(i);
        const double g = part.gram(i, i);
        trace += g - h.squaredNorm();
        diagonalSquares += g * g;
        cross += g * h.squaredNorm();
        gram.noalias() += h.transpose() * h;
    }
    return trace * trace / (diagonalSquares - 2 * cross + gram.squaredNorm());
}

// The symmetric power -1/2 of the moderators' Omega = tr P_st, as clubSandwich's matrix_power.
Eigen::MatrixXd OmegaInverseRoot(const std::vector<ClusterParts>& parts, Eigen::Index q) {
    Eigen::MatrixXd omega = Eigen::MatrixXd::Zero(q, q);
    for (const ClusterParts& part : parts) {
        const Eigen::MatrixXd h = part.h.bottomRows(q);
        omega += part.gram.bottomRightCorner(q, q) - h * h.transpose();
    }
    return InverseSquareRoot(omega);
}

// The sum of clubSandwich's total_variance_mat for the moderators, with B_st = D_st - A_s A_t'
// (D_st diagonal over the clusters, A_s the clusters' rows of Omega^-1/2 H): each entry
//   tr(B_st B_st) + <B_ss, B_tt>
// from the clusters' rows and u x u cross-products, never a clusters x clusters matrix.
double TotalVariance(const std::vector<ClusterParts>& parts, const Eigen::MatrixXd& root) {
    const Eigen::Index q = root.rows();
    std::vector<Eigen::MatrixXd> d, a; // per cluster: Omega^-1/2 G G' Omega^-1/2, Omega^-1/2 H
    for (const ClusterParts& part : parts) {
        d.push_back(root * part.gram.bottomRightCorner(q, q) * root);
        a.push_back(root * part.h.bottomRows(q));
    }
    const Eigen::Index u = a.front().cols();
    double total = 0;
    for (Eigen::Index s = 0; s < q; ++s) {
        for (Eigen::Index t = 0; t < q; ++t) {
            Eigen::MatrixXd ats = Eigen::MatrixXd::Zero(u, u); // A_t' A_s
            double sum = 0;
            for (std::size_t c = 0; c < parts.size(); ++c) {
                const Eigen::RowVectorXd as = a[c].row(s), at = a[c].row(t);
                ats.noalias() += at.transpose() * as;
                sum += d[c](s, t) * d[c](s, t) - 2 * d[c](s, t) * as.dot(at) +
                       d[c](s, s) * d[c](t, t) - d[c](s, s) * at.squaredNorm() -
                       d[c](t, t) * as.squaredNorm();
            }
            total += sum + (ats * ats).trace() + ats.squaredNorm();
        }
    }
    return total;
}

// clubSandwich's HTZ test that every coefficient but the intercept is 0 (Tipton & Pustejovsky
// 2015, Journal of Educational and Behavioral Statistics 40, 604-634): Hotelling's T^2 with
// nu = q (q + 1) / the total variance, F = (nu - q + 1) / nu Q / q on (q, nu - q + 1) df.
void TestModerators(const std::vector<ClusterParts>& parts, const Eigen::VectorXd& beta,
                    const Eigen::MatrixXd& vcov, RobustInference& robust) {
    const Eigen::Index q = beta.size() - 1;
    const Eigen::VectorXd b = beta.tail(q);
    const Eigen::LLT<Eigen::MatrixXd> llt(vcov.bottomRightCorner(q, q));
    if (llt.info() != Eigen::Success) {
        return; // NaN: no covariance to test by
    }
    const double wald = b.dot(llt.solve(b));
    const double nu =
        static_cast<double>(q * (q + 1)) / TotalVariance(parts, OmegaInverseRoot(parts, q));
    const auto qd = static_cast<double>(q);
    robust.qmDf = qd;
    robust.qmDf2 = nu - qd + 1;
    robust.qm = std::max((nu - qd + 1) / nu, 0.0) * wald / qd;
    if (robust.qmDf2 > 0) {
        robust.qmP = boost::math::cdf(boost::math::complement(
            boost::math::fisher_f_distribution<double, QuietPolicy>(qd, robust.qmDf2), robust.qm));
    }
}

} // namespace

RobustInference ClusterRobust(std::span<const Study> studies,
                              std::span<const std::string> clusterOf, const Design& x,
                              std::span<const std::string> names, Components components,
                              double level) {
    const ClusteredStudies arranged = ArrangeByCluster(studies, x, clusterOf);
    if (arranged.Clusters() < 2) {
        throw std::invalid_argument("cluster-robust inference needs two clusters or more");
    }
    if (const Eigen::Index largest = arranged.LargestCluster(); largest > kMostRobustClusterRows) {
        throw std::invalid_argument(
            "a cluster has " + std::to_string(largest) +
            " rows, and the CR2 adjustment of a cluster costs its size cubed: up to " +
            std::to_string(kMostRobustClusterRows) + " rows a cluster it is computed");
    }
    const LevelFit fit =
        FitLevels(arranged, components, Likelihood::Restricted, LevelParts::Likelihood);
    const Eigen::VectorXd residual = arranged.y - arranged.x * fit.beta;
    const Eigen::MatrixXd mFactor = fit.inverse.llt().matrixL(); // M = L L'
    std::vector<ClusterParts> parts;
    const Eigen::Index p = x.cols();
    Eigen::MatrixXd meat = Eigen::MatrixXd::Zero(p, p);
    for (Eigen::Index c = 0; c < arranged.Clusters(); ++c) {
        parts.push_back(PartsOf(arranged, c, components, fit.inverse, mFactor, residual));
        meat.noalias() += parts.back().score * parts.back().score.transpose();
    }
    const Eigen::MatrixXd vcov = fit.inverse * meat * fit.inverse;
    RobustInference robust{static_cast<std::size_t>(arranged.Clusters()), {}, {}, 0, 0, 0, 0};
    for (Eigen::Index i = 0; i < p; ++i) {
        const double df = SatterthwaiteDf(parts, i);
        const boost::math::students_t_distribution<double, QuietPolicy> t(df);
        Coefficient c{
            names[static_cast<std::size_t>(i)], fit.beta[i], std::sqrt(vcov(i, i)), 0, 0, 0, 0};
        c.statistic = c.estimate / c.se;
        c.p = 2 * boost::math::cdf(t, -std::fabs(c.statistic));
        const double critical = boost::math::quantile(t, 0.5 + level / 2);
        c.ciLow = c.estimate - critical * c.se;
        c.ciHigh = c.estimate + critical * c.se;
        robust.coefficients.push_back(std::move(c));
        robust.df.push_back(df);
    }
    const double nan = std::numeric_limits<double>::quiet_NaN();
    robust.qm = robust.qmDf = robust.qmDf2 = robust.qmP = nan;
    if (p > 1) {
        TestModerators(parts, fit.beta, vcov, robust);
    } else {
        // As metafor reports it for a model without moderators: the squared t.
        const Coefficient& pooled = robust.coefficients.front();
        robust.qm = pooled.statistic * pooled.statistic;
        robust.qmDf = 1;
        robust.qmDf2 = robust.df.front();
        robust.qmP = pooled.p;
    }
    return robust;
}

} // namespace tavrel::meta
