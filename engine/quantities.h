#pragma once

#include "engine/effect_sizes.h"
#include "engine/summary_stats.h"

#include <array>
#include <cstddef>
#include <string_view>

namespace tavrel::engine {

// The eight results shown, in the order in which they are written.
enum class Result {
    MeanDifference,
    PooledSD,
    GlassDelta,
    CohensD,
    R,
    HedgesG,
    HedgesGSD,
    CommonLanguage
};
inline constexpr std::array kResults = {
    Result::MeanDifference, Result::PooledSD,  Result::GlassDelta,    Result::CohensD, Result::R,
    Result::HedgesG,        Result::HedgesGSD, Result::CommonLanguage};
inline constexpr std::size_t kResultCount = kResults.size();

constexpr std::size_t Index(Result result) {
    return static_cast<std::size_t>(result);
}

// How a result is shown: its caption (the window's label, a screen reader's name, the batch
// tool's column), the number pattern of its text, and the value it shows. Patterns: two
// decimals for the pooled SD and the mean difference, three for the rest; "+" asks for the
// sign of positive values too.
struct ResultDescription {
    Result result;
    std::string_view caption;
    std::string_view pattern;
    double EffectSizeResults::*value;
};

inline constexpr std::array<ResultDescription, kResultCount> kResultDescriptions = {{
    {Result::MeanDifference, "Mean Difference", "+#.00", &EffectSizeResults::MeanDiff},
    {Result::PooledSD, "Pooled Standard Deviation", "#.00", &EffectSizeResults::PooledSD},
    {Result::GlassDelta, "Glass's \u2206", "+#.000", &EffectSizeResults::GlassDelta},
    {Result::CohensD, "Cohen's d", "+#.000", &EffectSizeResults::CohenD},
    {Result::R, "r", "+#.000", &EffectSizeResults::R},
    {Result::HedgesG, "Hedges's Unbiased d", "+#.000", &EffectSizeResults::HedgesG},
    {Result::HedgesGSD, "Standard Deviation of Unbiased d", "+#.000", &EffectSizeResults::HedgesSD},
    {Result::CommonLanguage, "Common Language Effect Size", "#.000", &EffectSizeResults::CLES},
}};

// Each result's description stands at its index, and the results' order is the enum's.
constexpr bool DescribedInOrder() {
    for (std::size_t i = 0; i < kResultCount; ++i) {
        if (Index(kResults[i]) != i || kResultDescriptions[i].result != kResults[i]) {
            return false;
        }
    }
    return true;
}
static_assert(DescribedInOrder());

constexpr const ResultDescription& Describe(Result result) {
    return kResultDescriptions[Index(result)];
}

// Whether a press in `mode` computes and shows `result`. Results a mode does not fill keep
// whatever they showed.
constexpr bool Fills(CalcMode mode, Result result) {
    switch (mode) {
    case CalcMode::PooledSDOnly:
        return result == Result::PooledSD;
    case CalcMode::MeanDiffGlassOnly:
        return result == Result::MeanDifference || result == Result::GlassDelta;
    case CalcMode::AllResults:
        break;
    }
    return true;
}

} // namespace tavrel::engine
