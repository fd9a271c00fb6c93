#pragma once

#include <array>
#include <cstddef>
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

// The six inputs of a calculation, in reading order.
enum class Input {
    ControlMean,
    ControlSD,
    ControlSize,
    ExperimentalMean,
    ExperimentalSD,
    ExperimentalSize
};
inline constexpr std::array kInputs = {Input::ControlMean,    Input::ControlSD,
                                       Input::ControlSize,    Input::ExperimentalMean,
                                       Input::ExperimentalSD, Input::ExperimentalSize};
inline constexpr std::size_t kInputCount = kInputs.size();
constexpr std::size_t Index(Input input) {
    return static_cast<std::size_t>(input);
}
static_assert(Index(kInputs.back()) == kInputCount - 1);

// Which results one press of Calculate produces.
enum class CalcMode {
    PooledSDOnly,      // only the SDs and sizes were given (means of 0 or below)
    MeanDiffGlassOnly, // means and the control SD, without a usable SD2 or sizes
    AllResults,
};

// A failed input check: the message to show and the input it is about, which gets the focus
// afterwards.
struct InputError {
    std::string_view Message;
    Input Field;

    friend bool operator==(const InputError&, const InputError&) = default;
};

// What the input checks decide: the mode, or the first check that failed.
using ModeChoice = std::variant<InputError, CalcMode>;

// The six input texts, indexed by Input.
using InputTexts = std::array<std::string_view, kInputCount>;

// Converts the six texts: means and SDs as ReadNumber reads them, sizes truncated to whole
// numbers. No trimming, no range checks.
SummaryStats ReadSummaryStats(const InputTexts& texts);

// Applies the mode rules and, for the complete calculation, the four input checks in order.
ModeChoice ChooseMode(const SummaryStats& stats);

} // namespace tavrel::engine
