#include "ui/calculator_layout.h"

#include "resources/pictures.h"

#include <array>

namespace tavrel::ui {

namespace {

using engine::Input;
using engine::Result;
using platform::Align;
using platform::ControlKind;
using platform::kDarkRed;
using platform::LayoutFont;
using platform::LayoutItem;

constexpr LayoutFont kFieldFont{"Courier", 14, false};
constexpr LayoutFont kLabelFont{"System", 14, true};
constexpr LayoutFont kButtonFont{"System", 12, false};

// Every field is 60 x 20, dark red Courier, centred, and named for screen readers by the
// caption beside it. Inputs take the focus; results are disabled, written only by the program.
constexpr LayoutItem Field(int left, int top, bool input, std::string_view caption) {
    return {.kind = ControlKind::TextField,
            .bounds = {left, top, 60, 20},
            .font = kFieldFont,
            .textColor = kDarkRed,
            .align = Align::Centre,
            .enabled = input,
            .takesFocus = input,
            .typedLengthLimit = kTypedLengthLimit,
            .accessibleName = caption};
}

constexpr CalculatorRow InputField(Input input, int top) {
    return {Field(397, top, true, engine::Caption(input)), input};
}

constexpr CalculatorRow ResultField(Result result, int left, int top) {
    return {Field(left, top, false, engine::Describe(result).caption), result};
}

constexpr CalculatorRow Label(platform::Bounds bounds, std::string_view text,
                              std::string_view toolTip = {}) {
    return {{.kind = ControlKind::Label,
             .bounds = bounds,
             .text = text,
             .font = kLabelFont,
             .textColor = kDarkRed,
             .toolTip = toolTip},
            Decoration{}};
}

constexpr CalculatorRow InputLabel(Input input, platform::Bounds bounds) {
    return Label(bounds, engine::Caption(input));
}

constexpr CalculatorRow ResultLabel(Result result, platform::Bounds bounds,
                                    std::string_view toolTip = {}) {
    return Label(bounds, engine::Describe(result).caption, toolTip);
}

constexpr CalculatorRow PushButton(Button button, int left, std::string_view caption) {
    return {{.kind = ControlKind::Button,
             .bounds = {left, 452, 80, 32},
             .text = caption,
             .font = kButtonFont,
             .takesFocus = true,
             .defaultButton = button == Button::Calculate},
            button};
}

constexpr platform::WindowLayout kWindow{
    .title = "", .width = 500, .height = 500, .accessibleName = "Tavrel"};

const std::array kRows = {
    InputField(Input::ControlMean, 87),
    InputField(Input::ControlSD, 113),
    InputField(Input::ControlSize, 139),
    InputField(Input::ExperimentalMean, 173),
    InputField(Input::ExperimentalSD, 199),
    InputField(Input::ExperimentalSize, 225),
    ResultField(Result::PooledSD, 397, 268),
    ResultField(Result::MeanDifference, 397, 291),
    ResultField(Result::CohensD, 397, 314),
    CalculatorRow{{.kind = ControlKind::Label,
                   .bounds = {60, -3, 400, 40},
                   .text = "Tavrel",
                   .font = {"System", 32, true},
                   .textColor = kDarkRed,
                   .align = Align::Centre},
                  Decoration{}},
    PushButton(Button::Calculate, 21, "Calculate"),
    PushButton(Button::Clear, 401, "Clear"),
    InputLabel(Input::ControlMean, {38, 87, 230, 20}),
    InputLabel(Input::ExperimentalMean, {38, 173, 334, 20}),
    InputLabel(Input::ExperimentalSD, {38, 199, 314, 20}),
    CalculatorRow{{.kind = ControlKind::Label,
                   .bounds = {173, 33, 184, 15},
                   .text = "\u00a9 2026 the Tavrel authors",
                   .font = {"System", 11, false},
                   .textColor = kDarkRed,
                   .multiLine = true},
                  Decoration{}},
    InputLabel(Input::ControlSD, {38, 115, 270, 18}),
    InputLabel(Input::ControlSize, {38, 139, 285, 20}),
    InputLabel(Input::ExperimentalSize, {38, 225, 328, 20}),
    ResultLabel(Result::PooledSD, {38, 268, 227, 20}),
    ResultLabel(Result::MeanDifference, {38, 291, 193, 20}),
    ResultLabel(Result::CohensD, {311, 314, 80, 20},
                "Uses pooled standard deviations. Assumes compared distributions are normal and "
                "have equal variances."),
    ResultLabel(Result::R, {38, 337, 113, 20}),
    ResultField(Result::R, 125, 337),
    ResultLabel(Result::CommonLanguage, {38, 383, 238, 20},
                "Per McGraw and Wong (1992) and Grissom (1994), the probability of the superior "
                "outcome of one treatment over another. Equivalent to AUC of ROC."),
    ResultField(Result::CommonLanguage, 397, 383),
    ResultLabel(Result::HedgesG, {230, 337, 160, 20}),
    ResultField(Result::HedgesG, 397, 337),
    ResultLabel(Result::HedgesGSD, {38, 360, 270, 20}),
    ResultField(Result::HedgesGSD, 397, 360),
    CalculatorRow{{.kind = ControlKind::EtchedRule,
                   .bounds = {38, 256, 420, 2},
                   .fill = platform::kWhite,
                   .topLeftBorder = {102, 102, 102},
                   .bottomRightBorder = {204, 204, 204}},
                  Decoration{}},
    ResultLabel(Result::GlassDelta, {38, 314, 80, 20},
                "Uses sd of control group, rather than pooled sd, as denominator."),
    ResultField(Result::GlassDelta, 125, 314),
    CalculatorRow{{.kind = ControlKind::Picture,
                   .bounds = {232, 449, 38, 38},
                   .picture = &pictures::InformationIcon,
                   .accessibleName = "Information"},
                  InformationIcon{}},
};

} // namespace

const platform::WindowLayout& CalculatorWindowLayout() {
    return kWindow;
}

std::span<const CalculatorRow> CalculatorRows() {
    return kRows;
}

} // namespace tavrel::ui
