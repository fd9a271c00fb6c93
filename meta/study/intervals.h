#pragma once

#include <cstdint>

namespace tavrel::meta {

struct Interval {
    double low;
    double high;
};

// The standard normal quantile for a two-sided interval of `level`: 1.959964 for 0.95.
double TwoSidedZ(double level);

// Hedges's unbiased d plus or minus z standard deviations: the normal approximation.
Interval NormalInterval(double estimate, double standardDeviation, double z);

// The exact interval for Cohen's d: the noncentrality parameters of the noncentral t
// distribution with n1 + n2 - 2 degrees of freedom for which the observed
// t = d sqrt(n1 n2 / (n1 + n2)) lies at the upper and lower (1 - level) / 2 tails, rescaled
// to d (Steiger and Fouladi 1997; Cumming and Finch 2001).
//
// Boost evaluates the distribution only for noncentralities up to about 65,000, and loses
// accuracy above 10^7 degrees of freedom. There the normal approximation of the noncentral t
// (Abramowitz and Stegun 26.7.10) is inverted instead, where it is close: from 10^4 degrees
// of freedom on, its bounds lie within 0.1% of the interval's width of the exact ones, within
// 0.005% from 10^7 on. Below 10^4 degrees of freedom, and for an infinite d, there is no
// interval: `exists` is false.
struct NoncentralInterval {
    Interval bounds;
    bool exists;
};
NoncentralInterval NoncentralDInterval(double d, std::int64_t n1, std::int64_t n2, double level);

// The same by the normal approximation alone, for any degrees of freedom.
Interval ApproximateNoncentralDInterval(double d, std::int64_t n1, std::int64_t n2, double level);

} // namespace tavrel::meta
