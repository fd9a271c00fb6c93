#pragma once

#include "meta/model/model_settings.h"
#include "meta/study/intervals.h"

#include <functional>
#include <span>

namespace tavrel::meta {

// The generalized Q of a model as a function of tau^2, falling as tau^2 grows.
using QFunction = std::function<double(double tau2)>;

// The Q-profile confidence interval for tau^2 (Viechtbauer 2007, Statistics in Medicine 26,
// 37-52; metafor's confint(type = "QP")): the tau^2 at which the model's generalized Q, `q`,
// equals the upper and the lower (1 - level) / 2 quantiles of chi-square with `residualDf` =
// k - p degrees of freedom, where q(tau^2) <= squares / tau^2 (`squares` the residual sum of
// squares of the unweighted fit). The same interval whatever the estimator. As metafor does:
// both bounds 0 where Q at 0 is already below the lower quantile (the interval is empty); the
// lower bound 0 where Q at 0 is below the upper quantile; the search up to `searchLimit`
// (metafor's max(100, 10 tau^2-hat)), and a bound beyond it is not found: NaN.
Interval QProfileTau2(const QFunction& q, double residualDf, double squares, double level,
                      double searchLimit);

} // namespace tavrel::meta
