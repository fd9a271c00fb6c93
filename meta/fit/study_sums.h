#pragma once

#include "meta/fit/weighted_fit.h"

#include <Eigen/Dense>

namespace tavrel::meta {

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

    // Study i with weight w, residual r and hat value h.
    void Add(Eigen::Index i, double w, double r, double h) {
        if (perStudy_) {
            fit_.residual[i] = r;
            fit_.hat[i] = h;
        }
        fit_.q += w * r * r;
        fit_.residualSquares += (w * r) * (w * r);
        fit_.sumW += w;
        fit_.sumW2 += w * w;
        weightedHat_ += w * h;
        squaredHat_ += w * w * h;
    }

    // sum w h: Q'WQ itself where the design has one column.
    double WeightedHat() const { return weightedHat_; }

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
