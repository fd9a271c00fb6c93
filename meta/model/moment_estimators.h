#pragma once

#include "meta/model/model_settings.h"
#include "meta/model/q_profile.h"

#include <span>

// The estimators of tau^2 that are not likelihoods, for an intercept-only model, as metafor's
// rma() defines them (Viechtbauer 2005; the metafor documentation, ?rma.uni). Each is at
// least 0. Studies are expected on a scale where the largest vi is near 1.
namespace tavrel::meta {

// Hedges (1983): the unweighted residual variance less the mean sampling variance,
// sum (y - ybar)^2 / (k - 1) - sum v / k.
double HedgesTau2(std::span<const Study> studies);

// Hunter and Schmidt (2004): (Q - k) / sum w, with w = 1 / v.
double HunterSchmidtTau2(std::span<const Study> studies);

// Sidik and Jonkman (2005): from tau0^2 = sum (y - ybar)^2 / k, weights w = 1 / (v + tau0^2)
// and their residual sum of squares RSS, tau0^2 RSS / (k - 1).
double SidikJonkmanTau2(std::span<const Study> studies);

// Paule and Mandel (1982): the tau^2 at which the generalized Q, sum w (y - mu_w)^2 with
// w = 1 / (v + tau^2), equals k - 1; 0 where Q at 0 is already at most k - 1. The Q is
// decreasing in tau^2, and the root is found by Boost's TOMS 748 on a bracket, to the
// precision of a double. Morris's empirical Bayes estimator (1983) solves the same equation for
// an intercept-only model (metafor iterates to it).
double PauleMandelTau2(std::span<const Study> studies);

// The same root for any model (a meta-regression's Q falls to k - p), where
// q(tau^2) <= squares / tau^2.
double PauleMandelTau2(const QFunction& q, double residualDf, double squares);

} // namespace tavrel::meta
