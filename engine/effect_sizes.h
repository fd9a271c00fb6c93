#pragma once

#include "engine/summary_stats.h"

#include <cstdint>

namespace tavrel::engine {

// The computed values of one press. Members that the press's mode does not compute stay 0;
// the mode says which are meaningful. Signs: experimental minus control throughout.
struct EffectSizeResults {
    double PooledSD = 0.0;   // sqrt(((N1-1) Var1 + (N2-1) Var2) / (N1 + N2 - 2))
    double MeanDiff = 0.0;   // M2 - M1
    double GlassDelta = 0.0; // (M2 - M1) / SD1, Glass (1976)
    double CohenD = 0.0;     // MeanDiff / PooledSD, Cohen (1988)
    double R = 0.0;          // sqrt(d^2 / (d^2 + 4)), never negative; 1 for an infinite d
    std::int64_t DF = 0;     // N1 + N2 - 2, in 64 bits so that no pair of sizes overflows
    double BiasFactor = 0.0; // see BiasFactor()
    double HedgesG = 0.0;    // CohenD * BiasFactor, Hedges and Olkin (1985)
    double HedgesSD = 0.0;   // sqrt((N1+N2)/(N1 N2) + HedgesG^2 / (2 (N1+N2)))
    double CLZ = 0.0;        // see CommonLanguage()
    double CLES = 0.0;
};

// The pooled standard deviation of the two groups. The integer steps (sizes minus one, their
// sum) are exact in 64 bits for any pair of 32-bit sizes.
double PooledStandardDeviation(const SummaryStats& stats);

// Which bias-correction factor Hedges's unbiased d uses: the window's (BiasFactor: a
// four-decimal table up to 50 df) or the exact one at every df (ExactBiasFactor).
enum class Correction { Table, Exact };

// What Cohen's d and the two group sizes determine: d itself, r, df, the correction, Hedges's g
// and its SD. The other members are left as they are.
void CompleteFromCohensD(double d, std::int32_t n1, std::int32_t n2, Correction correction,
                         EffectSizeResults& results);

// Computes the members of `mode`, in the order and with the operand order of the definitions
// above, so that results are reproducible to the last bit.
EffectSizeResults ComputeResults(const SummaryStats& stats, CalcMode mode,
                                 Correction correction = Correction::Table);

} // namespace tavrel::engine
