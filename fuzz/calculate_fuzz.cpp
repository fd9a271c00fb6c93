// Feeds arbitrary bytes as the six input texts (split at newlines) through a whole calculation
// and checks what one promises: a mode or one of the four messages, and a text for every
// result the mode fills.
#include "engine/calculation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace tavrel;

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool IsOneOfTheMessages(const engine::InputError& e) {
    using enum engine::Input;
    return (e.Message == "Mean of Control Group Must > 0." && e.Field == ControlMean) ||
           (e.Message == "Standard Deviation of Control Group Must > 0." && e.Field == ControlSD) ||
           (e.Message == "Number of Subjects in Control Group Must > 2." &&
            e.Field == ControlSize) ||
           (e.Message == "Mean of Experimental Group Must > 0." && e.Field == ExperimentalMean);
}

std::size_t FieldCount(engine::CalcMode mode) {
    switch (mode) {
    case engine::CalcMode::PooledSDOnly:
        return 1;
    case engine::CalcMode::MeanDiffGlassOnly:
        return 2;
    case engine::CalcMode::AllResults:
        return 8;
    }
    return 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    engine::InputTexts texts{};
    for (auto& text : texts) {
        const std::size_t newline = rest.find('\n');
        text = rest.substr(0, newline);
        rest = newline == std::string_view::npos ? std::string_view{} : rest.substr(newline + 1);
    }

    const engine::CalculationOutcome outcome = engine::Calculate(texts);
    if (const auto* error = std::get_if<engine::InputError>(&outcome)) {
        Require(IsOneOfTheMessages(*error));
        return 0;
    }
    const auto& calculation = std::get<engine::Calculation>(outcome);
    Require(calculation.shown.size() == FieldCount(calculation.mode));
    for (const auto& shown : calculation.shown) {
        Require(!shown.text.empty());
    }
    return 0;
}
