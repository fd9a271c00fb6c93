#pragma once

#include <Eigen/Dense>
#include <algorithm>

namespace tavrel::meta {

// A pass over many rows takes them a block at a time: the block stays in the cache while it is
// worked on, as arrays whose weights, roots and products are computed several to an
// instruction, and no temporary is a million rows long.
inline constexpr Eigen::Index kBlockRows = 2048;

// An array of a block's values, held in place rather than on the heap: the fits of a few
// studies, which leave-one-out and influence make by the thousand, allocate nothing per pass.
using BlockArray = Eigen::Array<double, Eigen::Dynamic, 1, 0, kBlockRows, 1>;

// R of the QR decomposition of a tall matrix of `columns` columns and `rows` rows that is never
// held whole: `fill(start, n, block)` writes its rows start .. start + n - 1 into the first n
// rows of `block`, and each block is decomposed in place beneath the triangle so far (a
// tall-skinny Householder QR). Only a block of rows and the triangle are held. R'R equals the
// matrix's cross-product, and R has its column norms: a pivoted QR of R finds the same rank as
// one of the whole matrix.
template <class Fill>
Eigen::MatrixXd StreamedTriangle(Eigen::Index rows, Eigen::Index columns, Fill fill) {
    const Eigen::Index block = kBlockRows; // a fill's arrays may be BlockArrays
    Eigen::MatrixXd stack = Eigen::MatrixXd::Zero(columns + block, columns);
    Eigen::Index top = 0; // the rows of the triangle so far, at the stack's top
    for (Eigen::Index start = 0; start < rows; start += block) {
        const Eigen::Index n = std::min(block, rows - start);
        auto below = stack.middleRows(top, n);
        fill(start, n, below);
        const Eigen::Index height = top + n;
        Eigen::Ref<Eigen::MatrixXd> decomposed = stack.topRows(height);
        Eigen::HouseholderQR<Eigen::Ref<Eigen::MatrixXd>> qr(decomposed); // in place
        top = std::min(height, columns);
        // What lies below R's diagonal are the reflectors, not the matrix: zeros from here on.
        stack.topRows(top).triangularView<Eigen::StrictlyLower>().setZero();
    }
    Eigen::MatrixXd r = Eigen::MatrixXd::Zero(columns, columns);
    r.topRows(top) = stack.topRows(top).triangularView<Eigen::Upper>();
    return r;
}

} // namespace tavrel::meta
