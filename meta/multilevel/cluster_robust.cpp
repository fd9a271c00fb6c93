#include "meta/multilevel/cluster_robust.h"

#include "meta/model/quiet_policy.h"

#include <boost/math/distributions/students_t.hpp>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

namespace tavrel::meta {

namespace {

constexpr double kSmallestEigenvalue = 1e-12; // clubSandwich's matrix_power

// What each cluster adds: its part of the meat, and for each coefficient the diagonal of
// P (g) and the row of the low-rank part (H's row).
struct ClusterParts {
    Eigen::VectorXd score; // X_c' W_c A_c e_c
    Eigen::VectorXd g;     // per coefficient: ||row of M E_c F'||^2
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
    return {e * residual.segment(start, n), (me * f.transpose()).rowwise().squaredNorm(),
            me * xc * mFactor};
}

// Satterthwaite's degrees of freedom of coefficient i: P = diag(g) - H H', H = the clusters'
// rows of their h.
double SatterthwaiteDf(const std::vector<ClusterParts>& parts, Eigen::Index i) {
    const Eigen::Index p = parts.front().h.cols();
    Eigen::MatrixXd gram = Eigen::MatrixXd::Zero(p, p);
    double trace = 0, diagonalSquares = 0, cross = 0;
    for (const ClusterParts& part : parts) {
        const Eigen::RowVectorXd h = part.h.row(i);
        const double g = part.g[i];
        trace += g - h.squaredNorm();
        diagonalSquares += g * g;
        cross += g * h.squaredNorm();
        gram.noalias() += h.transpose() * h;
    }
    return trace * trace / (diagonalSquares - 2 * cross + gram.squaredNorm());
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
    if (p == 1) {
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
