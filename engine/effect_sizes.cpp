#include "engine/effect_sizes.h"

#include "engine/bias_factor.h"
#include "engine/common_language.h"

#include <cmath>
#include <cstdint>

namespace tavrel::engine {

namespace {

double ToDouble(std::int64_t n) {
    return static_cast<double>(n);
}

double PooledFromVariances(const SummaryStats& s, double var1, double var2) {
    const std::int64_t a = std::int64_t{s.N1} - 1;
    const std::int64_t b = std::int64_t{s.N2} - 1;
    const std::int64_t c = std::int64_t{s.N1} + s.N2 - 2;
    return std::sqrt((ToDouble(a) * var1 + ToDouble(b) * var2) / ToDouble(c));
}

void ComputeMeanDiffAndGlass(const SummaryStats& s, EffectSizeResults& r) {
    r.MeanDiff = s.M2 - s.M1;
    r.GlassDelta = (s.M2 - s.M1) / s.SD1;
}

void ComputeAll(const SummaryStats& s, Correction correction, EffectSizeResults& r) {
    ComputeMeanDiffAndGlass(s, r);
    const double var1 = s.SD1 * s.SD1;
    const double var2 = s.SD2 * s.SD2;
    r.PooledSD = PooledFromVariances(s, var1, var2);
    CompleteFromCohensD(r.MeanDiff / r.PooledSD, s.N1, s.N2, correction, r);

    const CommonLanguageResult cl = CommonLanguage(s.M1, s.M2, var1, var2);
    r.CLZ = cl.CLZ;
    r.CLES = cl.CLES;
}

} // namespace

void CompleteFromCohensD(double d, std::int32_t n1, std::int32_t n2, Correction correction,
                         EffectSizeResults& r) {
    r.CohenD = d;
    // Where d^2 overflows, d^2 / (d^2 + 4) is 1 to double precision long before: the limit,
    // rather than infinity over infinity.
    const double squared = d * d;
    r.R = std::isinf(squared) ? 1.0 : std::sqrt(squared / (squared + 4.0));
    r.DF = std::int64_t{n1} + n2 - 2;
    r.BiasFactor = correction == Correction::Table ? BiasFactor(r.DF) : ExactBiasFactor(r.DF);
    r.HedgesG = r.CohenD * r.BiasFactor;
    const std::int64_t sum = std::int64_t{n1} + n2;
    const std::int64_t product = std::int64_t{n1} * n2;
    const std::int64_t twiceSum = sum * 2;
    const double u = r.HedgesG;
    r.HedgesSD = std::sqrt(ToDouble(sum) / ToDouble(product) + (u * u) / ToDouble(twiceSum));
}

double PooledStandardDeviation(const SummaryStats& s) {
    return PooledFromVariances(s, s.SD1 * s.SD1, s.SD2 * s.SD2);
}

EffectSizeResults ComputeResults(const SummaryStats& stats, CalcMode mode, Correction correction) {
    EffectSizeResults r;
    switch (mode) {
    case CalcMode::PooledSDOnly:
        r.PooledSD = PooledStandardDeviation(stats);
        break;
    case CalcMode::MeanDiffGlassOnly:
        ComputeMeanDiffAndGlass(stats, r);
        break;
    case CalcMode::AllResults:
        ComputeAll(stats, correction, r);
        break;
    }
    return r;
}

} // namespace tavrel::engine
