#include "ui/control_wnd_layout.h"

#include "resources/pictures.h"
#include "ui/control_wnd.h"

#include <array>

namespace tavrel::ui {

namespace {

using platform::Align;
using platform::ControlKind;
using platform::ControlSpec;
using platform::FontSpec;
using platform::kDarkRed;

constexpr FontSpec kFieldFont{"Courier", 14, false};
constexpr FontSpec kLabelFont{"System", 14, true};
constexpr FontSpec kButtonFont{"System", 12, false};

// Every field is 60 x 20, dark red Courier, centred. Inputs take the focus; outputs are
// disabled, written only by the program. The accessible name is the text of the field's label.
constexpr ControlSpec Field(std::string_view name, int left, int top, bool input,
                            std::string_view label) {
    return {.name = name,
            .kind = ControlKind::EditField,
            .bounds = {left, top, 60, 20},
            .font = kFieldFont,
            .textColor = kDarkRed,
            .align = Align::Centre,
            .enabled = input,
            .takesFocus = input,
            .typedLengthLimit = kTypedLengthLimit,
            .accessibleName = label};
}

constexpr ControlRow Input(std::string_view name, int top, std::string_view label,
                           bool (ControlWnd::*keyDown)(int)) {
    return {.spec = Field(name, 397, top, true, label), .keyDown = keyDown};
}

constexpr ControlRow Output(std::string_view name, int left, int top, std::string_view label) {
    return {.spec = Field(name, left, top, false, label)};
}

constexpr ControlRow Label(std::string_view name, platform::Bounds bounds, std::string_view text,
                           std::string_view helpTag = {}) {
    return {.spec = {.name = name,
                     .kind = ControlKind::StaticText,
                     .bounds = bounds,
                     .text = text,
                     .font = kLabelFont,
                     .textColor = kDarkRed,
                     .helpTag = helpTag}};
}

constexpr ControlRow Button(std::string_view name, int left, std::string_view caption,
                            bool isDefault, void (ControlWnd::*action)()) {
    return {.spec = {.name = name,
                     .kind = ControlKind::PushButton,
                     .bounds = {left, 452, 80, 32},
                     .text = caption,
                     .font = kButtonFont,
                     .takesFocus = true,
                     .defaultButton = isDefault},
            .action = action};
}

// Separators lie wholly above the content area, so they are never seen.
constexpr ControlRow Separator(std::string_view name, int left, int width) {
    return {
        .spec = {.name = name, .kind = ControlKind::Separator, .bounds = {left, -11, width, 4}}};
}

constexpr platform::WindowSpec kWindow{.name = "ControlWnd",
                                       .title = "",
                                       .width = 500,
                                       .height = 500,
                                       .frame = platform::FrameKind::Document,
                                       .closeButton = true,
                                       .minimizeButton = true,
                                       .background = platform::kWhite,
                                       .accessibleName = "Tavrel"};

const std::array kControls = {
    Input("M1Fld", 87, "Mean of Control Group", &ControlWnd::M1Fld_KeyDown),
    Input("SD1Fld", 113, "Standard Deviation of Control Group", &ControlWnd::SD1Fld_KeyDown),
    Input("N1Fld", 139, "Number of Subjects in Control Group", &ControlWnd::N1Fld_KeyDown),
    Input("M2Fld", 173, "Mean of Experimental Group", &ControlWnd::M2Fld_KeyDown),
    Input("SD2Fld", 199, "Standard Deviation of Experimental Group", &ControlWnd::SD2Fld_KeyDown),
    Input("N2Fld", 225, "Number of Subjects in Experimental Group", &ControlWnd::N2Fld_KeyDown),
    Output("PooledSDFld", 397, 268, "Pooled Standard Deviation"),
    Output("MeanDiffFld", 397, 291, "Mean Difference"),
    Output("dFld", 397, 314, "Cohen's d"),
    Separator("Separator2", 67, 424),
    Separator("Separator1", 72, 63),
    ControlRow{.spec = {.name = "StaticText4",
                        .kind = ControlKind::StaticText,
                        .bounds = {60, -3, 400, 40},
                        .text = "Tavrel",
                        .font = {"System", 32, true},
                        .textColor = kDarkRed,
                        .align = Align::Centre}},
    Button("CalcBtn", 21, "Calculate", true, &ControlWnd::CalcBtn_Action),
    Button("ClearBtn", 401, "Clear", false, &ControlWnd::ClearBtn_Action),
    Label("StaticText1", {38, 87, 230, 20}, "Mean of Control Group"),
    Label("StaticText2", {38, 173, 334, 20}, "Mean of Experimental Group"),
    Label("StaticText3", {38, 199, 314, 20}, "Standard Deviation of Experimental Group"),
    ControlRow{.spec = {.name = "copyright",
                        .kind = ControlKind::StaticText,
                        .bounds = {173, 33, 184, 15},
                        .text = "\u00a9 2026 the Tavrel authors",
                        .font = {"system", 11, false},
                        .textColor = kDarkRed,
                        .multiLine = true}},
    Label("StaticText6", {38, 115, 270, 18}, "Standard Deviation of Control Group"),
    Label("StaticText7", {38, 139, 285, 20}, "Number of Subjects in Control Group"),
    Label("StaticText8", {38, 225, 328, 20}, "Number of Subjects in Experimental Group"),
    Label("StaticText9", {38, 268, 227, 20}, "Pooled Standard Deviation"),
    Label("StaticText10", {38, 291, 193, 20}, "Mean Difference"),
    Label("EffectSizeText", {311, 314, 80, 20}, "Cohen's d",
          "Uses pooled standard deviations. Assumes compared distributions are normal and have "
          "equal variances."),
    Label("StaticText11", {38, 337, 113, 20}, "r"),
    Output("dCorrectFld", 125, 337, "r"),
    Label("StaticText12", {38, 383, 238, 20}, "Common Language Effect Size",
          "Per McGraw and Wong (1992) and Grissom (1994), the probability of the superior "
          "outcome of one treatment over another. Equivalent to AUC of ROC."),
    Output("CLEFFld", 397, 383, "Common Language Effect Size"),
    Label("StaticText13", {230, 337, 160, 20}, "Hedges's Unbiased d"),
    Output("HedgesFld", 397, 337, "Hedges's Unbiased d"),
    Label("StaticText14", {38, 360, 270, 20}, "Standard Deviation of Unbiased d"),
    Output("sdFld", 397, 360, "Standard Deviation of Unbiased d"),
    ControlRow{.spec = {.name = "Rectangle1",
                        .kind = ControlKind::Rectangle,
                        .bounds = {38, 256, 420, 2},
                        .fill = platform::kWhite,
                        .topLeftBorder = {102, 102, 102},
                        .bottomRightBorder = {204, 204, 204}}},
    Label("StaticText15", {38, 314, 80, 20}, "Glass's \u2206",
          "Uses sd of control group, rather than pooled sd, as denominator."),
    Output("gFld", 125, 314, "Glass's \u2206"),
    ControlRow{.spec = {.name = "Canvas1",
                        .kind = ControlKind::Canvas,
                        .bounds = {232, 449, 38, 38},
                        .backdrop = &pictures::Question,
                        .accessibleName = "Information"},
               .mouseDown = &ControlWnd::Canvas1_MouseDown},
};

} // namespace

const platform::WindowSpec& ControlWndSpec() {
    return kWindow;
}

std::span<const ControlRow> ControlWndLayout() {
    return kControls;
}

} // namespace tavrel::ui
