#pragma once

#include "meta/fit/weighted_fit.h"
#include "meta/model/model_settings.h"

#include <span>

namespace tavrel::meta {

// tau^2 and how many steps the likelihood's maximum took (0 for the other estimators).
struct Tau2Estimate {
    double tau2;
    int iterations;
};

// tau^2 of the studies on design `x` by `method`, with metafor's definitions for any model,
// a model without moderators being the design's intercept alone (?rma.uni, "Specifying the
// Model"; Viechtbauer 2005; Raudenbush 2009, in The Handbook of Research Synthesis, ch. 16):
//   DL  DerSimonian and Laird (1986): (Q - (k - p)) / tr P at tau^2 = 0;
//   HS  Hunter and Schmidt (2004): (Q - k) / sum w at tau^2 = 0;
//   HE  Hedges (1983): the unweighted residual variance less the sampling variance's part;
//   SJ  Sidik and Jonkman (2005): from tau0^2 = sum (y - ybar)^2 / k, tau0^2 Q(tau0^2) / (k - p);
//   PM  Paule and Mandel (1982): the tau^2 where the generalized Q falls to k - p; Morris's
//       empirical Bayes estimator (EB, 1983) solves the same equation;
//   REML, ML  the likelihood's maximum (MaximizeLikelihood), from Hedges's estimate as metafor
//       starts;
//   FE, EE, CE  0.
// Each is at least 0. The studies are expected on a scale where the largest vi is near 1
// (ScaleToUnitVariance). Throws NotConverged where the likelihood has no maximum a double holds.
Tau2Estimate EstimateTau2(std::span<const Study> studies, const FitDesign& x, Method method);

} // namespace tavrel::meta
