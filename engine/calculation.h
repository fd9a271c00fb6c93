#pragma once

#include "engine/effect_sizes.h"
#include "engine/quantities.h"
#include "engine/summary_stats.h"

#include <string>
#include <variant>
#include <vector>

namespace tavrel::engine {

// One result and the text that shows it.
struct ResultText {
    Result result;
    std::string text;

    friend bool operator==(const ResultText&, const ResultText&) = default;
};

// A calculation: its mode, what it was computed from, every value, and the texts of
// the results its mode fills, in writing order.
struct Calculation {
    // Computes and renders in place: the values and texts are made where they stay.
    Calculation(CalcMode mode, const SummaryStats& stats);

    CalcMode mode;
    SummaryStats stats;
    EffectSizeResults values;
    std::vector<ResultText> shown;
};

// The texts of the results `mode` fills, from `values`, in writing order.
std::vector<ResultText> ShowResults(CalcMode mode, const EffectSizeResults& values);

using CalculationOutcome = std::variant<InputError, Calculation>;

// The calculation from the six input texts: reads them, checks them and chooses the
// mode, computes, and renders the results. The window, the batch tool, the fuzzer and the
// benchmark all go through here.
CalculationOutcome Calculate(const InputTexts& texts);

} // namespace tavrel::engine
