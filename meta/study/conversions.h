#pragma once

#include <cstdint>

// Two groups' test statistics and summaries as they are reported, turned into Student's t of
// the two-sample test (pooled variance, n1 + n2 - 2 degrees of freedom) or into a group's
// standard deviation. Sources: Borenstein, Hedges, Higgins & Rothstein (2009), Introduction to
// Meta-Analysis, chapter 7 (d from t, F and p); Cochrane Handbook, section 6.5.2.2 (standard
// deviations from standard errors and confidence intervals of a mean).
namespace tavrel::meta {

// d = t * sqrt(1/n1 + 1/n2), and back.
double DFromT(double t, std::int64_t n1, std::int64_t n2);
double TFromD(double d, std::int64_t n1, std::int64_t n2);

// The two-sided p of t with `df` degrees of freedom, and the |t| of a two-sided p in (0, 1]
// (p = 1 gives 0).
double TwoSidedP(double t, double df);
double AbsoluteTFromP(double p, double df);

// sd = se * sqrt(n).
double SdFromStandardError(double se, std::int64_t n);
// sd = sqrt(n) * (high - low) / (2 t), t the (1 + level) / 2 quantile of Student's t with
// n - 1 degrees of freedom: the interval of a mean computed from the group's own SD.
double SdFromMeanInterval(double low, double high, std::int64_t n, double level);

} // namespace tavrel::meta
