#pragma once

#include <cstdint>

namespace tavrel::batch {

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
// to d (Steiger and Fouladi 1997; Cumming and Finch 2001). NaN bounds where it cannot be found.
Interval NoncentralDInterval(double d, std::int64_t n1, std::int64_t n2, double level);

} // namespace tavrel::batch
