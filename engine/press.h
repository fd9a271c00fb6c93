#pragma once

#include "engine/effect_sizes.h"
#include "engine/quantities.h"
#include "engine/summary_stats.h"

#include <string>
#include <variant>
#include <vector>

namespace tavrel::engine {

// One result of a press and the text that shows it.
struct ShownResult {
    Result result;
    std::string text;

    friend bool operator==(const ShownResult&, const ShownResult&) = default;
};

// A press that computed: its mode, what it was computed from, every value, and the texts of
// the results its mode fills, in writing order.
struct Pressed {
    // Computes and renders in place: the values and texts are made where they stay.
    Pressed(CalcMode mode, const SummaryStats& stats);

    CalcMode mode;
    SummaryStats stats;
    EffectSizeResults values;
    std::vector<ShownResult> shown;
};

// The texts of the results `mode` fills, from `values`, in writing order.
std::vector<ShownResult> ShowResults(CalcMode mode, const EffectSizeResults& values);

using PressOutcome = std::variant<InputError, Pressed>;

// One press of Calculate on the six input texts: reads them, checks them and chooses the
// mode, computes, and renders the results. The window, the batch tool, the fuzzer and the
// benchmark all go through here.
PressOutcome Press(const InputTexts& texts);

} // namespace tavrel::engine
