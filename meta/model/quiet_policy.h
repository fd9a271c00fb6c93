#pragma once

#include <boost/math/policies/policy.hpp>

namespace tavrel::meta {

// Boost.Math distributions under this policy answer an extreme argument with 0, 1 or infinity
// rather than throw: a p value of 0, a quantile of infinity are results the models report.
using QuietPolicy = boost::math::policies::policy<
    boost::math::policies::overflow_error<boost::math::policies::ignore_error>,
    boost::math::policies::underflow_error<boost::math::policies::ignore_error>>;

} // namespace tavrel::meta
