#pragma once

#include "meta/model/likelihood.h"
#include "meta/multilevel/clustered_studies.h"

#include <Eigen/Dense>
#include <vector>

namespace tavrel::meta {

// The variance components of the three-level model (rows nested in clusters): sigma^2 between
// clusters, shared by a cluster's rows, and sigma^2 within clusters, each row's own. Index 0 is
// the first, 1 the second, in the vectors below.
struct Components {
    double between;
    double within;

    double operator[](int component) const { return component == 0 ? between : within; }
    double& operator[](int component) { return component == 0 ? between : within; }
};

// The generalized least-squares fit of the arranged studies with the marginal covariance
// V = diag(vi) + sigma^2_within I + sigma^2_between Z Z' (Z the clusters' indicators), and
// its likelihood. With P = W - W X (X'WX)^-1 X'W, W = V^-1:
struct LevelFit {
    Eigen::VectorXd beta;
    Eigen::MatrixXd inverse; // (X'WX)^-1
    double q;                // y'Py
    double logLikelihood;    // restricted or full, up to a constant
    // Twice the derivatives of the log-likelihood by each component: y'P Vj P y - tr(P Vj)
    // (tr(W Vj) for the full likelihood), Vj = Z Z' or I.
    Eigen::Vector2d score;
    // Twice the expected information, tr(P Vj P Vl) (W for the full likelihood), and twice the
    // observed one, 2 y'P Vj P Vl P y minus that.
    Eigen::Matrix2d expected;
    Eigen::Matrix2d observed;
};

enum class LevelParts { Likelihood, Derivatives };

// Every block of V is the diagonal D = diag(vi + sigma^2_within) plus sigma^2_between 1 1',
// whose inverse and determinant have closed forms (Sherman-Morrison), and whose inverse factors
// as W = B'B with B = (I - a u u') D^-1/2, u = D^-1/2 1, a = (1 - (1 + s sum e)^-1/2) / sum e
// (e = 1 / diag(D)). The fit whitens the studies by B and decomposes B X by Householder's QR:
// each evaluation costs O(k p^2), and no k x k matrix, not even one cluster's block, is ever
// formed. The derivatives follow Searle, Casella and McCulloch (1992, Variance Components,
// ch. 6), each trace reduced to sums over the clusters. A fitter keeps its k-long buffers from
// one evaluation to the next: a maximization evaluates hundreds of times, and allocating them
// anew each time costs more than the arithmetic.
class LevelFitter {
  public:
    explicit LevelFitter(const ClusteredStudies& studies);

    LevelFit Fit(Components components, Likelihood likelihood,
                 LevelParts parts = LevelParts::Derivatives);
    // Each row's weight diag(W), in the arranged order.
    Eigen::VectorXd DiagonalWeight(Components components);
    const ClusteredStudies& Studies() const { return studies_; }

  private:
    // One cluster's block in closed form: W = D^-1 - s / (1 + s sum e) e e' and
    // log |V| = sum log d + log(1 + s sum e).
    struct Block {
        double sum;         // sum e
        double denominator; // 1 + s sum e
        double alpha;       // a
        double gamma;       // s / (1 + s sum e)
    };

    void Weigh(Components components);
    // B z and B' z, column by column, into `out`. Plain loops: clusters of a few rows cost an
    // expression's set-up more than its work.
    template <class Entry>
    void Apply(const Eigen::MatrixXd& z, const double* weight, Entry entry,
               Eigen::MatrixXd& out) const;
    void Whiten(const Eigen::MatrixXd& z, Eigen::MatrixXd& out) const;
    void Unwhiten(const Eigen::MatrixXd& z, Eigen::MatrixXd& out) const;
    // P z = B'(I - QQ')B z.
    void Project(const Eigen::VectorXd& z, Eigen::MatrixXd& out);
    // tr(W Vj W Vl) and tr(W Vj), and for the restricted likelihood the parts that P's second
    // term takes off them: with T = B'Q and, for each cluster, g = B 1 = u / sqrt(1 + s sum e),
    // h = Q_c' g and f = T_c' B_c' g = T_c' e / (1 + s sum e).
    void AddTraces(bool restricted, LevelFit& fit, Eigen::Vector2d& trace);
    // The score and both informations, from Py = B' r~.
    void AddDerivatives(Likelihood likelihood, LevelFit& fit);

    const ClusteredStudies& studies_;
    Eigen::ArrayXd e_, u_;
    std::vector<Block> blocks_;
    double logDeterminant_ = 0;
    Eigen::HouseholderQR<Eigen::MatrixXd> qr_;
    Eigen::RowVectorXd workspace_;
    // Whitened X and y, Q, the residual, Py, T and B T, the clusters' h and f, Vj P y and
    // P Vj P y, and a scratch column.
    Eigen::MatrixXd x_, y_, q_, residual_, py_, t_, bt_, h_, f_, vpy_[2], pvpy_[2], scratch_;
};

// One evaluation, as a fitter gives it.
LevelFit FitLevels(const ClusteredStudies& studies, Components components, Likelihood likelihood,
                   LevelParts parts = LevelParts::Derivatives);

} // namespace tavrel::meta
