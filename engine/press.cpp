#include "engine/press.h"

#include "engine/format_number.h"

namespace tavrel::engine {

namespace {

// The vector's element is made from this converter, so each text is rendered straight into
// its place: no string is moved or copied after FormatNumber returns it.
struct Rendered {
    Result result;
    double value;
    std::string_view pattern;
    operator ShownResult() const { return {result, FormatNumber(value, pattern)}; }
};

} // namespace

PressOutcome Press(const InputTexts& texts) {
    const CalcOutcome outcome = Calculate(texts);
    if (const auto* error = std::get_if<InputError>(&outcome)) {
        return *error;
    }
    const auto& calculation = std::get<Calculation>(outcome);
    Pressed pressed{calculation.Mode,
                    calculation.Stats,
                    ComputeResults(calculation.Stats, calculation.Mode),
                    {}};
    pressed.shown.reserve(kResultCount);
    for (const Result result : kResults) {
        if (Fills(pressed.mode, result)) {
            const ResultDescription& description = Describe(result);
            pressed.shown.emplace_back(
                Rendered{result, pressed.values.*description.value, description.pattern});
        }
    }
    return pressed;
}

} // namespace tavrel::engine
