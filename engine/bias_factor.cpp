#include "engine/bias_factor.h"

#include <array>
#include <boost/math/special_functions/gamma.hpp>
#include <cmath>
#include <cstdint>
#include <limits>

namespace tavrel::engine {

namespace {

// Indexed directly by df. The four-decimal values are the data, not regenerated from the gamma
// function. Df 25 holds 0.9697, the rounding of the exact 0.969646 by the rule that gives the
// table's other entries.
constexpr std::array<double, 51> kExactFactors = {
    0.0,    0.0,    0.5642, 0.7236, 0.7979, 0.8408, 0.8686, 0.8882, 0.9027, 0.9139, // 0-9
    0.9228, 0.9300, 0.9359, 0.9410, 0.9453, 0.9490, 0.9523, 0.9551, 0.9577, 0.9599, // 10-19
    0.9619, 0.9638, 0.9655, 0.9670, 0.9684, 0.9697, 0.9708, 0.9719, 0.9729, 0.9739, // 20-29
    0.9748, 0.9756, 0.9764, 0.9771, 0.9778, 0.9784, 0.9790, 0.9796, 0.9801, 0.9806, // 30-39
    0.9811, 0.9816, 0.9820, 0.9824, 0.9828, 0.9832, 0.9836, 0.9839, 0.9843, 0.9846, // 40-49
    0.9849,                                                                         // 50
};

constexpr std::int64_t kLastTableDf = 50;

} // namespace

double BiasFactor(std::int64_t df) {
    if (df > kLastTableDf) {
        // 4 df - 1 is exact in 64 bits up to this bound; beyond it 3 / (4 df - 1) is far below
        // half an ulp of 1.0, so the factor is exactly 1.0.
        constexpr std::int64_t kExactBound = std::numeric_limits<std::int64_t>::max() / 4;
        if (df > kExactBound) {
            return 1.0;
        }
        const std::int64_t denominator = 4 * df - 1;
        return 1.0 - 3.0 / static_cast<double>(denominator);
    }
    if (df < 0) {
        return 0.0;
    }
    return kExactFactors[static_cast<std::size_t>(df)];
}

namespace {

double GammaRatioFactor(std::int64_t df) {
    const double half = static_cast<double>(df) / 2;
    // Gamma((df-1)/2) / Gamma(df/2), the ratio of gamma functions half a step apart.
    const double ratio = boost::math::tgamma_delta_ratio(half - 0.5, 0.5);
    return 1 / (std::sqrt(half) * ratio);
}

} // namespace

double ExactBiasFactor(std::int64_t df) {
    if (df < 2) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    // Tables of studies repeat a few hundred df: each is worked out once per thread.
    constexpr std::int64_t kCached = 4096;
    if (df < kCached) {
        thread_local std::array<double, kCached> cache{}; // 0: not worked out yet
        double& factor = cache[static_cast<std::size_t>(df)];
        if (factor == 0) {
            factor = GammaRatioFactor(df);
        }
        return factor;
    }
    return GammaRatioFactor(df);
}

} // namespace tavrel::engine
