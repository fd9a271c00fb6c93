#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string_view>
#include <utility>
#include <vector>

namespace tavrel::meta {

// One study's effect size and its sampling variance (yi and vi).
struct Study {
    double yi;
    double vi;
};

// The estimators of tau^2, as metafor names them: restricted and full maximum likelihood,
// DerSimonian-Laird, Paule-Mandel, Sidik-Jonkman, Hedges, Hunter-Schmidt, empirical Bayes;
// and the model without tau^2 under its three names (fixed, equal and common effect).
enum class Method { REML, ML, DL, PM, SJ, HE, HS, EB, FE, EE, CE };
enum class Test { Z, KnappHartung };

// Whether the model has no tau^2.
constexpr bool IsCommonEffect(Method method) {
    return method == Method::FE || method == Method::EE || method == Method::CE;
}

// Each model's and test's name, as the command line reads it and the summary prints it.
template <class T> using Named = std::pair<std::string_view, T>;
inline constexpr std::array kMethodNames = {
    Named<Method>{"REML", Method::REML}, Named<Method>{"ML", Method::ML},
    Named<Method>{"DL", Method::DL},     Named<Method>{"PM", Method::PM},
    Named<Method>{"SJ", Method::SJ},     Named<Method>{"HE", Method::HE},
    Named<Method>{"HS", Method::HS},     Named<Method>{"EB", Method::EB},
    Named<Method>{"FE", Method::FE},     Named<Method>{"EE", Method::EE},
    Named<Method>{"CE", Method::CE}};
inline constexpr std::array kTestNames = {Named<Test>{"z", Test::Z},
                                          Named<Test>{"knha", Test::KnappHartung}};

std::string_view Name(Method method); // "REML", "DL", "FE", ...
std::string_view Name(Test test);     // "z", "knha"

// The pooled estimate of an intercept-only meta-analysis, as metafor's rma() and predict()
// give it. Values that do not exist (a p value of a Q with no degrees of freedom) are NaN.
struct Pooled {
    Method method;
    Test test;
    double level;
    std::size_t k;
    double estimate;
    double se;
    double statistic; // z, or t with k - 1 degrees of freedom
    double p;
    double ciLow, ciHigh;
    double tau2, tau;
    double i2; // percent
    double h2;
    double q;
    double qDf;
    double qP;
    double piLow, piHigh; // prediction interval; the confidence interval for FE
    int iterations;       // REML's Fisher steps and root-finder evaluations; 0 for the others
    double weightSum;     // the sum of the model's weights 1 / (vi + tau2)
    // The Q-profile confidence intervals of the heterogeneity (QProfileTau2); NaN for a model
    // without tau^2 and for a bound that is not found.
    double tau2CiLow, tau2CiHigh;
    double tauCiLow, tauCiHigh;
    double i2CiLow, i2CiHigh;
    double h2CiLow, h2CiHigh;
};

// A study's share of the model's total weight, in percent.
double WeightPercent(const Pooled& pooled, const Study& study);

// The REML score equation has no root a double can hold; the message says why.
class NotConverged : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Pools at least two studies whose variances are positive and finite. REML as
// RestrictedMaximumLikelihood (meta/reml.h) finds it: Fisher scoring, and a bracketed root
// finder where scoring does not settle. The studies are pooled on a scale where the largest
// variance is near 1, which changes no digit and keeps the weights within a double's range.
// With HeterogeneityIntervals::None, the Q-profile intervals are left NaN: a refit that only
// needs the estimate (leave-one-out) skips their root finding.
enum class HeterogeneityIntervals { QProfile, None };
Pooled Pool(std::span<const Study> studies, Method method, Test test, double level,
            HeterogeneityIntervals intervals = HeterogeneityIntervals::QProfile);

} // namespace tavrel::meta
