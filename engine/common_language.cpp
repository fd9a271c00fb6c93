#include "engine/common_language.h"

#include <algorithm>
#include <cmath>

namespace tavrel::engine {

double NormalProbability(double z) {
    constexpr double p = 0.2316419;
    constexpr double c = 0.39894228;
    constexpr double b1 = 0.31938153;
    constexpr double b2 = -0.356563782;
    constexpr double b3 = 1.781477937;
    constexpr double b4 = -1.821255978;
    constexpr double b5 = 1.330274429;

    const double x = std::fabs(z);
    const double t = 1.0 / (1.0 + p * x);
    const double f = c * std::exp((-0.5 * x) * x);
    const double q = f * (t * (b1 + t * (b2 + t * (b3 + t * (b4 + t * b5)))));
    return 0.0 < z ? 1.0 - q : q;
}

CommonLanguageResult CommonLanguage(double m1, double m2, double var1, double var2) {
    const double hi = std::max(m1, m2);
    const double lo = std::min(m1, m2);
    const double clz = (hi - lo) / std::sqrt(var1 + var2);
    return {clz, NormalProbability(clz)};
}

} // namespace tavrel::engine
