#pragma once

#include "meta/study/study.h"

#include <array>
#include <stdexcept>
#include <string_view>
#include <utility>

namespace tavrel::meta {

// The estimators of tau^2, as metafor names them: restricted and full maximum likelihood,
// DerSimonian-Laird, Paule-Mandel, Sidik-Jonkman, Hedges, Hunter-Schmidt, empirical Bayes;
// and the model without tau^2 under its three names (fixed, equal and common effect).
enum class Method { REML, ML, DL, PM, SJ, HE, HS, EB, FE, EE, CE };
enum class Test { Z, KnappHartung };

// Whether the model has no tau^2.
constexpr bool IsCommonEffect(Method method) {
    return method == Method::FE || method == Method::EE || method == Method::CE;
}

// Whether the method maximizes a likelihood, as the three-level model's components need (REML,
// ML).
constexpr bool FitsLevels(Method method) {
    return method == Method::REML || method == Method::ML;
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

// How the studies are modelled: the estimator of tau^2, the test, and the level of every
// interval.
struct ModelSettings {
    Method method = Method::REML;
    Test test = Test::Z;
    double level = 0.95;
};

// The REML score equation has no root a double can hold; the message says why.
class NotConverged : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

} // namespace tavrel::meta
