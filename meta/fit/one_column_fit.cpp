#include "meta/fit/one_column_fit.h"

#include "meta/fit/study_sums.h"

#include <cmath>
#include <vector>

namespace tavrel::meta {

namespace {

// The column's values for a block of studies: ones for the intercept.
void ColumnBlock(const Column* c, const StudyBlock& block, BlockArray& values) {
    if (c == nullptr) {
        values.setOnes(block.n);
    } else {
        values = c->segment(block.start, block.n).array();
    }
}

// A block of studies fitted on its own, at its own coefficient b = sum w c y / sum w c^2, with
// r = y - c b. Across blocks, y - c beta = r + c (b - beta), and sum w c r = 0 in each, so
//   sum w (y - c beta)^2 = sum over blocks of q + S (b - beta)^2,
//   sum (w (y - c beta))^2 = sum over blocks of T + 2 (b - beta) U + (b - beta)^2 V:
// every quantity of the whole fit from one pass over the studies, each block held while it is
// summed, and no sum formed by subtracting squares about zero.
struct BlockFit {
    double squares = 0;    // S = sum w c^2
    double beta = 0;       // b (0 where the block's column is 0: S is then 0)
    double q = 0;          // sum w r^2
    double sumW = 0;       // sum w
    double sumW2 = 0;      // sum w^2
    double w2c2 = 0;       // V = sum w^2 c^2
    double w3c2 = 0;       // sum w^3 c^2
    double w2r2 = 0;       // T = sum (w r)^2
    double w2cr = 0;       // U = sum w^2 c r
    double logWeights = 0; // sum log w, where asked
    double vc2 = 0;        // sum v c^2, of the unweighted fit
    double v = 0;          // sum v, of the unweighted fit
};

// What a pass gathers beside q and the coefficient: the weights' logs (the likelihood), every
// sum of the weighted fit, or the variances' sums (the unweighted fit, w = 1).
enum class Gather { QAlone, Logs, WholeFit, Unweighted };

std::vector<BlockFit> FitBlocks(std::span<const Study> studies, const Column* c, double tau2,
                                Gather gather) {
    std::vector<BlockFit> blocks;
    blocks.reserve(studies.size() / kBlockRows + 1);
    BlockArray column;
    BlockArray w;
    ForEachBlock(studies, [&](const StudyBlock& block) {
        ColumnBlock(c, block, column);
        if (gather == Gather::Unweighted) {
            w.setOnes(block.n);
        } else {
            w = (block.v + tau2).inverse();
        }
        BlockFit fit;
        const BlockArray wc = w * column;
        fit.squares = (wc * column).sum();
        fit.beta = fit.squares > 0 ? (wc * block.y).sum() / fit.squares : 0;
        const BlockArray r = block.y - column * fit.beta;
        fit.q = (w * r.square()).sum();
        if (gather == Gather::Logs) {
            fit.logWeights = w.log().sum();
        } else if (gather == Gather::WholeFit) {
            const BlockArray w2c = wc * w;
            fit.sumW = w.sum();
            fit.sumW2 = w.square().sum();
            fit.w2c2 = (w2c * column).sum();
            fit.w3c2 = (w2c * wc).sum();
            fit.w2r2 = (w * r).square().sum();
            fit.w2cr = (w2c * r).sum();
        } else if (gather == Gather::Unweighted) {
            fit.vc2 = (block.v * column.square()).sum();
            fit.v = block.v.sum();
        }
        blocks.push_back(fit);
    });
    return blocks;
}

// The blocks merged: the whole fit's coefficient, its sums, sum w c^2 in `squares`.
BlockFit Merge(const std::vector<BlockFit>& blocks) {
    BlockFit whole;
    double cross = 0; // sum w c y
    for (const BlockFit& block : blocks) {
        whole.squares += block.squares;
        cross += block.squares * block.beta;
    }
    whole.beta = cross / whole.squares;
    for (const BlockFit& block : blocks) {
        const double shift = block.beta - whole.beta;
        whole.q += block.q + block.squares * shift * shift;
        whole.w2r2 += block.w2r2 + 2 * shift * block.w2cr + shift * shift * block.w2c2;
        whole.sumW += block.sumW;
        whole.sumW2 += block.sumW2;
        whole.w2c2 += block.w2c2;
        whole.w3c2 += block.w3c2;
        whole.logWeights += block.logWeights;
        whole.vc2 += block.vc2;
        whole.v += block.v;
    }
    return whole;
}

BlockFit FitWhole(std::span<const Study> studies, const Column* c, double tau2, Gather gather) {
    return Merge(FitBlocks(studies, c, tau2, gather));
}

} // namespace

WeightedFit FitOneColumn(std::span<const Study> studies, const Column* c, double tau2,
                         bool perStudy) {
    const BlockFit whole = FitWhole(studies, c, tau2, Gather::WholeFit);
    WeightedFit fit;
    fit.beta = Eigen::VectorXd::Constant(1, whole.beta);
    fit.inverse = Eigen::MatrixXd::Constant(1, 1, 1 / whole.squares);
    fit.q = whole.q;
    fit.residualSquares = whole.w2r2;
    fit.sumW = whole.sumW;
    fit.sumW2 = whole.sumW2;
    // h = w c^2 / S: sum w h = sum w^2 c^2 / S, which is Q'WQ itself, and sum w^2 h likewise.
    const double weightedHat = whole.w2c2 / whole.squares;
    fit.traceP = whole.sumW - weightedHat;
    fit.tracePP = whole.sumW2 - 2 * whole.w3c2 / whole.squares + weightedHat * weightedHat;
    if (perStudy) {
        fit.residual.resize(static_cast<Eigen::Index>(studies.size()));
        fit.hat.resize(fit.residual.size());
        BlockArray column;
        ForEachBlock(studies, [&](const StudyBlock& block) {
            ColumnBlock(c, block, column);
            fit.residual.segment(block.start, block.n) = (block.y - column * whole.beta).matrix();
            fit.hat.segment(block.start, block.n) =
                ((block.v + tau2).inverse() * column.square() / whole.squares).matrix();
        });
    }
    return fit;
}

double ResidualQOneColumn(std::span<const Study> studies, const Column* c, double tau2) {
    return FitWhole(studies, c, tau2, Gather::QAlone).q;
}

double LogLikelihoodOneColumn(std::span<const Study> studies, const Column* c, double tau2,
                              bool restricted) {
    const BlockFit whole = FitWhole(studies, c, tau2, Gather::Logs);
    const double sum = whole.q - whole.logWeights;
    return -(sum + (restricted ? std::log(whole.squares) : 0)) / 2; // |X'WX| = sum w c^2
}

UnweightedFit FitUnweightedOneColumn(std::span<const Study> studies, const Column* c) {
    const BlockFit whole = FitWhole(studies, c, 0, Gather::Unweighted);
    return {whole.q, whole.v - whole.vc2 / whole.squares};
}

} // namespace tavrel::meta
