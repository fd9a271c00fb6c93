#include "engine/calculation.h"

#include "engine/format_number.h"

#include <utility>

namespace tavrel::engine {

namespace {

// The vector's element is made from this converter, so each text is rendered straight into
// its place: no string is moved or copied after FormatNumber returns it.
struct Rendered {
    Result result;
    double value;
    std::string_view pattern;
    operator ResultText() const { return {result, FormatNumber(value, pattern)}; }
};

} // namespace

std::vector<ResultText> ShowResults(CalcMode mode, const EffectSizeResults& values) {
    std::vector<ResultText> shown;
    shown.reserve(kResultCount);
    // Unrolled over the table, so that each result's value and pattern are known where its
    // text is made.
    [&]<std::size_t... I>(std::index_sequence<I...>) {
        const auto show = [&](Result result) {
            if (Fills(mode, result)) {
                const ResultDescription& description = Describe(result);
                shown.emplace_back(
                    Rendered{result, values.*description.value, description.pattern});
            }
        };
        (show(kResults[I]), ...);
    }
    (std::make_index_sequence<kResultCount>{});
    return shown;
}

Calculation::Calculation(CalcMode mode, const SummaryStats& stats)
    : mode(mode), stats(stats), values(ComputeResults(stats, mode)),
      shown(ShowResults(mode, values)) {}

CalculationOutcome Calculate(const InputTexts& texts) {
    const SummaryStats stats = ReadSummaryStats(texts);
    const ModeChoice choice = ChooseMode(stats);
    if (const auto* error = std::get_if<InputError>(&choice)) {
        return *error;
    }
    return CalculationOutcome(std::in_place_type<Calculation>, std::get<CalcMode>(choice), stats);
}

} // namespace tavrel::engine
