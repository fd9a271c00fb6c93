#pragma once

#include <Eigen/Dense>
#include <vector>

namespace tavrel::meta {

// A design matrix: one row per study, one column per coefficient, the intercept first.
using Design = Eigen::MatrixXd;

// A design as the fit reads it. Where, beside the intercept, it holds the indicators of a
// categorical moderator (columns of 0 and 1, at most one 1 in a row), the fit absorbs them:
// it centres the studies within their level and decomposes only the other columns, the same
// projection (Frisch-Waugh-Lovell) in O(k q^2) rather than O(k p^2) for q other columns. A
// factor of a thousand levels then costs a pass over the studies, and refitting without each
// study becomes affordable.
class FitDesign {
  public:
    // The design read where it is, which must then outlive this (a million rows are not
    // copied), or taken over.
    explicit FitDesign(const Design& x);
    explicit FitDesign(Design&& x);

    Eigen::Index Rows() const { return rows_; }
    Eigen::Index Cols() const { return cols_; }
    // Whether the design is the intercept alone, a column of ones.
    bool InterceptOnly() const { return interceptOnly_; }
    // Whether a factor is absorbed; where not, Dense() is the design itself.
    bool Absorbed() const { return levels_ > 0; }
    // The columns the fit decomposes: the whole design, or those outside the factor and the
    // intercept (possibly none).
    const Design& Dense() const { return view_ != nullptr ? *view_ : dense_; }
    // Each row's level, 0 the reference (no indicator set), and how many levels there are.
    int Level(Eigen::Index row) const { return level_[static_cast<std::size_t>(row)]; }
    int Levels() const { return levels_; }
    // How many rows each level has.
    const std::vector<Eigen::Index>& LevelRows() const { return levelRows_; }
    // Where the factor's indicator for level l + 1 is in the design, and where Dense()'s
    // columns are.
    const std::vector<Eigen::Index>& FactorColumns() const { return factorColumns_; }
    const std::vector<Eigen::Index>& DenseColumns() const { return denseColumns_; }

    // The design's row as a vector of p values.
    Eigen::RowVectorXd Row(Eigen::Index row) const;
    // The same design without one row, the factor still absorbed.
    FitDesign WithoutRow(Eigen::Index row) const;

  private:
    FitDesign() = default;
    // Absorbs the design's factor, where it has one large enough; returns whether it did.
    bool Absorb(const Design& x);

    Eigen::Index rows_ = 0;
    Eigen::Index cols_ = 0;
    bool interceptOnly_ = false;
    Design dense_;                 // where it is not viewed
    const Design* view_ = nullptr; // the whole design, where it is neither absorbed nor owned
    std::vector<int> level_;
    int levels_ = 0;
    std::vector<Eigen::Index> levelRows_;
    std::vector<Eigen::Index> factorColumns_;
    std::vector<Eigen::Index> denseColumns_;
};

} // namespace tavrel::meta
