#pragma once

#include "meta/intervals.h"
#include "meta/pooling.h"

#include <span>

namespace tavrel::meta {

// The Q-profile confidence interval for tau^2 (Viechtbauer 2007, Statistics in Medicine 26,
// 37-52; metafor's confint(type = "QP")): the tau^2 at which the generalized Q,
// sum w (y - mu_w)^2 with w = 1 / (v + tau^2), equals the upper and the lower (1 - level) / 2
// quantiles of chi-square with k - 1 df. The same interval whatever the estimator. As metafor
// does: both bounds 0 where Q at 0 is already below the lower quantile (the interval is empty);
// the lower bound 0 where Q at 0 is below the upper quantile; the search up to `searchLimit`
// (metafor's max(100, 10 tau^2-hat)), and a bound beyond it is not found: NaN.
Interval QProfileTau2(std::span<const Study> studies, double level, double searchLimit);

} // namespace tavrel::meta
