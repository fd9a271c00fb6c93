#pragma once

#include "engine/effect_sizes.h"
#include "engine/summary_stats.h"

#include <string>
#include <string_view>
#include <vector>

namespace tavrel::engine {

// One output field and the text it is to show.
struct FieldText {
    std::string_view Field;
    std::string Text;

    friend bool operator==(const FieldText&, const FieldText&) = default;
};

// Renders a number by a pattern such as "+#.000"; supplied by the host.
using NumberToText = std::string (*)(double value, std::string_view pattern);

// Number patterns of the results: two decimals for the pooled SD and the mean difference,
// three for the rest; "+" asks for the sign of positive values too.
namespace patterns {
inline constexpr std::string_view PooledSD = "#.00";
inline constexpr std::string_view MeanDiff = "+#.00";
inline constexpr std::string_view Index = "+#.000";
inline constexpr std::string_view Probability = "#.000";
} // namespace patterns

// The fields of `mode` with their texts, in the order in which they are to be written.
// Fields that the mode does not name are absent: they keep whatever they showed.
std::vector<FieldText> PresentResults(CalcMode mode, const EffectSizeResults& results,
                                      NumberToText format);

} // namespace tavrel::engine
