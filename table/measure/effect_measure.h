#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

namespace tavrel::table {

// The effect measures a table can be pooled in, named as metafor's escalc names them. SMD is
// Hedges's g from every source the table reads; the others come from their own columns.
enum class Measure { SMD, MD, ROM, OR, RR, RD, COR, ZCOR, MC, SMCC, SMCR };

// How an estimate on the analysis scale is shown to a reader: as it is, exp() of it (a log
// ratio as a ratio), or tanh() of it (Fisher's z as a correlation).
enum class Transform { None, Exp, ZToR };

struct MeasureInfo {
    Measure measure;
    std::string_view name;          // "OR", as --measure takes it
    std::string_view symbol;        // "log OR", where the summary writes the estimate
    std::string_view axisLabel;     // "Log odds ratio", under a plot's axis on the analysis scale
    Transform transform;            //
    std::string_view shownName;     // "OR", the back-transformed estimate's name; empty for none
    std::string_view shownLabel;    // "Odds ratio", under a plot's axis drawn on the shown scale
    std::string_view transformName; // "exp", "tanh", as the JSON summary says it
};

inline constexpr std::array<MeasureInfo, 11> kMeasures = {{
    {Measure::SMD, "SMD", "g", "Hedges's g", Transform::None, "", "", ""},
    {Measure::MD, "MD", "MD", "Mean difference", Transform::None, "", "", ""},
    {Measure::ROM, "ROM", "log ROM", "Log ratio of means", Transform::Exp, "ROM", "Ratio of means",
     "exp"},
    {Measure::OR, "OR", "log OR", "Log odds ratio", Transform::Exp, "OR", "Odds ratio", "exp"},
    {Measure::RR, "RR", "log RR", "Log risk ratio", Transform::Exp, "RR", "Risk ratio", "exp"},
    {Measure::RD, "RD", "RD", "Risk difference", Transform::None, "", "", ""},
    {Measure::COR, "COR", "r", "Correlation", Transform::None, "", "", ""},
    {Measure::ZCOR, "ZCOR", "Fisher's z", "Fisher's z", Transform::ZToR, "r", "Correlation",
     "tanh"},
    {Measure::MC, "MC", "MC", "Mean change", Transform::None, "", "", ""},
    {Measure::SMCC, "SMCC", "SMCC", "Standardized mean change", Transform::None, "", "", ""},
    {Measure::SMCR, "SMCR", "SMCR", "Standardized mean change", Transform::None, "", "", ""},
}};

constexpr const MeasureInfo& Info(Measure measure) {
    return kMeasures[static_cast<std::size_t>(measure)];
}

// The measure --measure names (in any case), or none.
std::optional<Measure> MeasureNamed(std::string_view name);

// An analysis-scale value as the reader sees it: exp(), tanh() or the value itself.
double Shown(Transform transform, double value);

} // namespace tavrel::table
