#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <variant>

namespace tavrel::engine {

// The six summary statistics of one comparison: group 1 is the control group, group 2 the
// experimental group.
struct SummaryStats {
    double M1 = 0.0;
    double SD1 = 0.0;
    std::int32_t N1 = 0;
    double M2 = 0.0;
    double SD2 = 0.0;
    std::int32_t N2 = 0;
};

// Which results one press of Calculate produces.
enum class CalcMode {
    PooledSDOnly,      // only the SDs and sizes were given (means of 0 or below)
    MeanDiffGlassOnly, // means and the control SD, without a usable SD2 or sizes
    AllResults,
};

// A failed input check: the message to show and the field that gets the focus afterwards.
struct InputError {
    std::string_view Message;
    std::string_view FocusField;

    friend bool operator==(const InputError&, const InputError&) = default;
};

// A mode together with the statistics it is computed from.
struct Calculation {
    CalcMode Mode;
    SummaryStats Stats;
};

// The outcome of one press: an input error or a calculation.
using CalcOutcome = std::variant<InputError, Calculation>;

// The conversions the engine borrows from its host, so that it stays free of any framework.
using TextToNumber = double (*)(std::string_view text);
using NumberToInteger = std::int32_t (*)(double value);

// The six input texts in the order M1, SD1, N1, M2, SD2, N2.
using InputTexts = std::array<std::string_view, 6>;

// Converts the six texts: means and SDs as `val` reads them, sizes through `toInt` applied to
// what `val` reads. No trimming, no range checks.
SummaryStats ReadSummaryStats(const InputTexts& texts, TextToNumber val, NumberToInteger toInt);

// Applies the mode rules and, for the complete calculation, the four input checks in order.
CalcOutcome ChooseMode(const SummaryStats& stats);

// ReadSummaryStats followed by ChooseMode: what one press of Calculate asks of the engine.
CalcOutcome Calculate(const InputTexts& texts, TextToNumber val, NumberToInteger toInt);

} // namespace tavrel::engine
