// Feeds arbitrary bytes as the six field texts (split at newlines) through a whole press and
// checks what a press promises: a mode or one of the four messages, and a text for every field
// the mode names.
#include "engine/effect_sizes.h"
#include "engine/field_names.h"
#include "engine/presentation.h"
#include "engine/summary_stats.h"
#include "platform/format.h"
#include "platform/real_to_int.h"
#include "platform/val.h"

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
    using namespace engine::fields;
    return (e.Message == "Mean of Control Group Must > 0." && e.FocusField == M1Fld) ||
           (e.Message == "Standard Deviation of Control Group Must > 0." &&
            e.FocusField == SD1Fld) ||
           (e.Message == "Number of Subjects in Control Group Must > 2." &&
            e.FocusField == N1Fld) ||
           (e.Message == "Mean of Experimental Group Must > 0." && e.FocusField == M2Fld);
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

    const engine::CalcOutcome outcome =
        engine::Calculate(texts, &platform::Val, &platform::RealToInt32);
    if (const auto* error = std::get_if<engine::InputError>(&outcome)) {
        Require(IsOneOfTheMessages(*error));
        return 0;
    }
    const auto& calc = std::get<engine::Calculation>(outcome);
    const auto fields = engine::PresentResults(
        calc.Mode, engine::ComputeResults(calc.Stats, calc.Mode), &platform::Format);
    Require(fields.size() == FieldCount(calc.Mode));
    for (const auto& field : fields) {
        Require(!field.Text.empty());
    }
    return 0;
}
