#pragma once

namespace tavrel::engine {

// Lower-tail standard normal probability P(Z < z) by the polynomial approximation of
// Abramowitz and Stegun (1964) formula 26.2.17, as Algorithm 8.4 of Cooke, Craven and Clarke
// (1990) evaluates it. Absolute error below 7.5e-8.
double NormalProbability(double z);

// McGraw and Wong's (1992) common language effect size: the probability that a score drawn
// from one normal group exceeds one drawn from the other.
struct CommonLanguageResult {
    double CLZ;  // (larger mean - smaller mean) / sqrt(Var1 + Var2), never negative
    double CLES; // NormalProbability(CLZ)
};

CommonLanguageResult CommonLanguage(double m1, double m2, double var1, double var2);

} // namespace tavrel::engine
