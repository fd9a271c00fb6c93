#pragma once

#include <cstdint>

namespace tavrel::engine {

// Small-sample bias-correction factor for Hedges's unbiased d at `df` degrees of freedom.
// For 2 <= df <= 50 the stored four-decimal table of exact values, Hedges and Olkin (1985,
// p. 80): Gamma(df/2) / (sqrt(df/2) * Gamma((df-1)/2)). Above 50 the approximation
// 1 - 3 / (4 df - 1) of the same source. Below 2 no factor exists: 0.0, as the table holds.
double BiasFactor(std::int64_t df);

// The same factor without the table's rounding, at every df from 2 on (Hedges 1981, eq. 6e):
// Gamma(df/2) / (sqrt(df/2) * Gamma((df-1)/2)), through Boost's ratio of gamma functions,
// which stays exact where each gamma function alone would overflow. NaN below 2 df.
double ExactBiasFactor(std::int64_t df);

} // namespace tavrel::engine
