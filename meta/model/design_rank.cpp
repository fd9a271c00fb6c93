#include "meta/model/design_rank.h"

#include "meta/fit/streamed_triangle.h"

#include <algorithm>
#include <vector>

namespace tavrel::meta {

namespace {

// A column is a combination of the others where what is left of it, once they are taken out,
// is below this share of its length: R's lm() (through which metafor finds redundant
// moderators) and its QR use the same tolerance. Eigen's own, a few units of rounding, lets
// the rounding of the decomposition of many rows pass for independence: ten thousand studies
// of one variance were fitted on sei beside the intercept.
constexpr double kDependence = 1e-7;

// The pivoted QR of the columns' triangle, each column scaled to unit length first: the rank
// and the order of the columns are those of the columns themselves, which are not copied.
Eigen::ColPivHouseholderQR<Eigen::MatrixXd> UnitLengthQR(const Eigen::MatrixXd& columns) {
    Eigen::RowVectorXd scale = columns.colwise().norm();
    for (double& length : scale) {
        length = length > 0 ? 1 / length : 1;
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(StreamedTriangle(
        columns.rows(), columns.cols(), [&](Eigen::Index start, Eigen::Index n, auto& block) {
            block.topRows(n) = columns.middleRows(start, n) * scale.asDiagonal();
        }));
    qr.setThreshold(kDependence);
    return qr;
}

bool Independent(const Eigen::MatrixXd& columns) {
    if (columns.cols() == 0) {
        return true;
    }
    if (columns.cols() == 1) {
        return columns.col(0).norm() > 0; // one column is independent unless it is all zero
    }
    return UnitLengthQR(columns).rank() == columns.cols();
}

// A factor's columns are independent where every level has a study, and the others where they
// stay so once centred within the levels.
bool AbsorbedIndependent(const FitDesign& design) {
    const std::vector<Eigen::Index>& levelRows = design.LevelRows();
    if (std::find(levelRows.begin(), levelRows.end(), 0) != levelRows.end()) {
        return false;
    }
    Eigen::MatrixXd centred = design.Dense();
    Eigen::MatrixXd means = Eigen::MatrixXd::Zero(design.Levels(), centred.cols());
    for (Eigen::Index i = 0; i < centred.rows(); ++i) {
        means.row(design.Level(i)) += centred.row(i);
    }
    for (Eigen::Index l = 0; l < design.Levels(); ++l) {
        means.row(l) /= static_cast<double>(levelRows[static_cast<std::size_t>(l)]);
    }
    for (Eigen::Index i = 0; i < centred.rows(); ++i) {
        centred.row(i) -= means.row(design.Level(i));
    }
    return Independent(centred);
}

bool ColumnsIndependent(const FitDesign& design) {
    return design.Absorbed() ? AbsorbedIndependent(design) : Independent(design.Dense());
}

// Names the columns that depend linearly on the others, by the pivoted QR's rank.
void RequireFullRank(const Design& x, std::span<const std::string> names) {
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr = UnitLengthQR(x);
    if (qr.rank() == x.cols()) {
        return;
    }
    std::string dependent;
    const auto& order = qr.colsPermutation().indices();
    std::vector<Eigen::Index> columns(order.data() + qr.rank(), order.data() + order.size());
    std::sort(columns.begin(), columns.end());
    for (const Eigen::Index column : columns) {
        dependent += (dependent.empty() ? "" : ", ") + names[static_cast<std::size_t>(column)];
    }
    throw RankDeficient("the moderators are linearly dependent: " + dependent +
                        (columns.size() == 1 ? " is" : " are") +
                        " a combination of the other columns (the intercept included)");
}

bool EnoughRows(const FitDesign& design, Method method) {
    return design.Rows() > design.Cols() ||
           (design.Rows() == design.Cols() && IsCommonEffect(method));
}

} // namespace

bool IsFittable(const FitDesign& design, Method method) {
    return EnoughRows(design, method) && ColumnsIndependent(design);
}

void RequireFittable(const FitDesign& design, const Design& x, std::span<const std::string> names,
                     Method method) {
    // Where the design's columns are found independent, by the absorbed factor's quick test
    // too, nothing needs naming; where not, the whole design is decomposed to name them.
    if (!ColumnsIndependent(design)) {
        RequireFullRank(x, names);
    }
    if (!EnoughRows(design, method)) {
        // No residual degree of freedom is left to estimate tau^2 from.
        throw std::invalid_argument("a model with tau^2 needs more studies than coefficients");
    }
}

} // namespace tavrel::meta
