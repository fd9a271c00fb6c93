#include "meta/fit/fit_design.h"

#include <algorithm>

namespace tavrel::meta {

namespace {

// A factor pays once it has this many indicators; below, the dense QR is as quick.
constexpr std::size_t kFewestAbsorbed = 3;

bool IsIndicator(const Design& x, Eigen::Index column) {
    bool any = false;
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        const double value = x(i, column);
        if (value != 0 && value != 1) {
            return false;
        }
        any = any || value == 1;
    }
    return any;
}

// The largest set of indicator columns no two of which are 1 in the same row, gathered in the
// design's order (a categorical moderator's indicators stand together).
std::vector<Eigen::Index> LargestFactor(const Design& x) {
    std::vector<Eigen::Index> best;
    std::vector<Eigen::Index> group;
    std::vector<bool> taken(static_cast<std::size_t>(x.rows()));
    const auto close = [&] {
        if (group.size() > best.size()) {
            best = group;
        }
        group.clear();
        std::fill(taken.begin(), taken.end(), false);
    };
    for (Eigen::Index j = 1; j < x.cols(); ++j) {
        if (!IsIndicator(x, j)) {
            close();
            continue;
        }
        bool exclusive = true;
        for (Eigen::Index i = 0; i < x.rows() && exclusive; ++i) {
            exclusive = !(x(i, j) == 1 && taken[static_cast<std::size_t>(i)]);
        }
        if (!exclusive) {
            close();
        }
        group.push_back(j);
        for (Eigen::Index i = 0; i < x.rows(); ++i) {
            if (x(i, j) == 1) {
                taken[static_cast<std::size_t>(i)] = true;
            }
        }
    }
    close();
    return best;
}

bool InterceptFirst(const Design& x) {
    return x.cols() > 0 && (x.col(0).array() == 1).all();
}

} // namespace

FitDesign::FitDesign(const Design& x) : rows_(x.rows()), cols_(x.cols()) {
    if (!Absorb(x)) {
        view_ = &x;
    }
}

FitDesign::FitDesign(Design&& x) : rows_(x.rows()), cols_(x.cols()) {
    if (!Absorb(x)) {
        dense_ = std::move(x);
    }
}

bool FitDesign::Absorb(const Design& x) {
    const bool intercept = InterceptFirst(x);
    interceptOnly_ = intercept && cols_ == 1;
    std::vector<Eigen::Index> factor = intercept ? LargestFactor(x) : std::vector<Eigen::Index>{};
    if (factor.size() < kFewestAbsorbed) {
        return false;
    }
    factorColumns_ = std::move(factor);
    levels_ = static_cast<int>(factorColumns_.size()) + 1;
    for (Eigen::Index j = 1; j < x.cols(); ++j) {
        if (!std::binary_search(factorColumns_.begin(), factorColumns_.end(), j)) {
            denseColumns_.push_back(j);
        }
    }
    dense_.resize(x.rows(), static_cast<Eigen::Index>(denseColumns_.size()));
    for (std::size_t m = 0; m < denseColumns_.size(); ++m) {
        dense_.col(static_cast<Eigen::Index>(m)) = x.col(denseColumns_[m]);
    }
    level_.assign(static_cast<std::size_t>(x.rows()), 0);
    levelRows_.assign(static_cast<std::size_t>(levels_), 0);
    for (Eigen::Index i = 0; i < x.rows(); ++i) {
        for (std::size_t l = 0; l < factorColumns_.size(); ++l) {
            if (x(i, factorColumns_[l]) == 1) {
                level_[static_cast<std::size_t>(i)] = static_cast<int>(l) + 1;
            }
        }
        ++levelRows_[static_cast<std::size_t>(level_[static_cast<std::size_t>(i)])];
    }
    return true;
}

Eigen::RowVectorXd FitDesign::Row(Eigen::Index row) const {
    if (!Absorbed()) {
        return Dense().row(row);
    }
    Eigen::RowVectorXd values = Eigen::RowVectorXd::Zero(cols_);
    values[0] = 1;
    if (const int level = Level(row); level > 0) {
        values[factorColumns_[static_cast<std::size_t>(level) - 1]] = 1;
    }
    for (std::size_t m = 0; m < denseColumns_.size(); ++m) {
        values[denseColumns_[m]] = dense_(row, static_cast<Eigen::Index>(m));
    }
    return values;
}

FitDesign FitDesign::WithoutRow(Eigen::Index row) const {
    FitDesign without;
    without.rows_ = rows_ - 1;
    without.cols_ = cols_;
    without.interceptOnly_ = interceptOnly_;
    const Eigen::Index after = rows_ - row - 1;
    const Design& dense = Dense();
    without.dense_.resize(rows_ - 1, dense.cols());
    without.dense_.topRows(row) = dense.topRows(row);
    without.dense_.bottomRows(after) = dense.bottomRows(after);
    if (Absorbed()) {
        without.level_ = level_;
        without.level_.erase(without.level_.begin() + row);
        without.levels_ = levels_;
        without.levelRows_ = levelRows_;
        --without.levelRows_[static_cast<std::size_t>(Level(row))];
        without.factorColumns_ = factorColumns_;
        without.denseColumns_ = denseColumns_;
    }
    return without;
}

} // namespace tavrel::meta
