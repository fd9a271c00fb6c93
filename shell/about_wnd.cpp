#include "shell/about_wnd.h"

#include "platform/shared_window.h"
#include "resources/pictures.h"
#include "shell/notices.h"
#include "ui/control_wnd.h"

#include <array>

namespace tavrel::shell {

namespace {

using platform::ControlKind;
using platform::ControlSpec;

constexpr platform::WindowSpec kWindow{.name = "AboutWnd",
                                       .title = "",
                                       .width = 325,
                                       .height = 200,
                                       .frame = platform::FrameKind::PlainBox,
                                       .background = platform::kWhite,
                                       .accessibleName = "About Tavrel"};

const std::array kControls = {
    ControlSpec{.name = "Canvas2",
                .kind = ControlKind::Canvas,
                .bounds = {94, 174, 150, 22},
                .backdrop = &pictures::VeskhzSm,
                .accessibleName = "Tavrel"},
    ControlSpec{.name = "StaticText5",
                .kind = ControlKind::StaticText,
                .bounds = {3, 2, 319, 12},
                .text = kAboutNotice,
                .font = {"Times", 10, true},
                .textColor = platform::kDarkRed,
                .align = platform::Align::Centre},
    ControlSpec{.name = "Canvas1",
                .kind = ControlKind::Canvas,
                .bounds = {100, 27, 125, 131},
                .backdrop = &pictures::d,
                .accessibleName = "Two normal distributions whose means lie d standard "
                                  "deviations apart"},
};

} // namespace

AboutWnd::AboutWnd() : platform::Window(kWindow) {
    for (const ControlSpec& spec : kControls) {
        AddControl(spec);
    }
    AddMenuHandler(QStringLiteral("AboutMenuItem"), [this] { return AboutMenuItem_Action(); });
}

bool AboutWnd::AboutMenuItem_Action() {
    Show(); // already the about window: to the front
    return false;
}

bool AboutWnd::KeyDown(int /*key*/) {
    StepBack();
    return false;
}

bool AboutWnd::MouseDown(int /*x*/, int /*y*/) {
    StepBack();
    return false;
}

void AboutWnd::StepBack() {
    Hide();
    ui::ControlWnd().Show();
}

class AboutWnd& AboutWnd() {
    return platform::SharedWindow<class AboutWnd>();
}

} // namespace tavrel::shell
