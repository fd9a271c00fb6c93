#pragma once

#include "meta/fit/streamed_triangle.h"
#include "meta/fit/weighted_fit.h"

#include <Eigen/Dense>
#include <algorithm>
#include <span>

namespace tavrel::meta {

// A block of studies, start .. start + n - 1, their effects and variances each in an array of
// its own: a sum over an array reads it several values to an instruction.
struct StudyBlock {
    Eigen::Index start = 0;
    Eigen::Index n = 0;
    BlockArray y;
    BlockArray v;

    void Load(std::span<const Study> studies, Eigen::Index first, Eigen::Index count) {
        using Strided = Eigen::Map<const Eigen::ArrayXd, 0, Eigen::InnerStride<2>>;
        static_assert(sizeof(Study) == 2 * sizeof(double),
                      "a study is its yi and vi, side by side");
        start = first;
        n = count;
        const Study& study = studies[static_cast<std::size_t>(first)];
        y = Strided(&study.yi, count);
        v = Strided(&study.vi, count);
    }
};

// Calls visit(block) for the studies, block by block.
template <class Visit> void ForEachBlock(std::span<const Study> studies, Visit visit) {
    StudyBlock block;
    const auto k = static_cast<Eigen::Index>(studies.size());
    for (Eigen::Index start = 0; start < k; start += kBlockRows) {
        block.Load(studies, start, std::min(kBlockRows, k - start));
        visit(static_cast<const StudyBlock&>(block));
    }
}

// What a fit gathers study by study into `fit`: sum w r^2, sum (w r)^2, sum w, sum w^2, and each
// study's residual and hat value where they are kept; then tr P = sum w - sum w h and
// tr PP = sum w^2 - 2 sum w^2 h + ||Q'WQ||_F^2.
class StudySums {
  public:
    StudySums(WeightedFit& fit, Eigen::Index k, bool perStudy) : fit_(fit), perStudy_(perStudy) {
        if (perStudy) {
            fit.residual.resize(k);
            fit.hat.resize(k);
        }
        fit.q = fit.residualSquares = fit.sumW = fit.sumW2 = 0;
    }

    // The studies start .. start + n - 1 at once, n the arrays' length.
    void Add(Eigen::Index start, const BlockArray& w, const BlockArray& r, const BlockArray& h) {
        if (perStudy_) {
            fit_.residual.segment(start, r.size()) = r.matrix();
            fit_.hat.segment(start, h.size()) = h.matrix();
        }
        const BlockArray wr = w * r;
        fit_.q += (wr * r).sum();
        fit_.residualSquares += wr.square().sum();
        fit_.sumW += w.sum();
        fit_.sumW2 += w.square().sum();
        weightedHat_ += (w * h).sum();
        squaredHat_ += (w.square() * h).sum();
    }

    // tr P and tr PP, given ||Q'WQ||_F^2.
    void Finish(double squaredQwq) {
        fit_.traceP = fit_.sumW - weightedHat_;
        fit_.tracePP = fit_.sumW2 - 2 * squaredHat_ + squaredQwq;
    }

  private:
    WeightedFit& fit_;
    bool perStudy_;
    double weightedHat_ = 0;
    double squaredHat_ = 0;
};

} // namespace tavrel::meta
