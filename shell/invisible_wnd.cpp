#include "shell/invisible_wnd.h"

#include "platform/shared_window.h"
#include "shell/about_wnd.h"
#include "ui/control_wnd.h"

#include <QTimer>

namespace tavrel::shell {

namespace {

constexpr platform::WindowSpec kWindow{.name = "InvisibleWnd",
                                       .title = "Untitled",
                                       .width = 64,
                                       .height = 64,
                                       .frame = platform::FrameKind::Document,
                                       .closeButton = false,
                                       .minimizeButton = true,
                                       .background = platform::kWhite};

} // namespace

InvisibleWnd::InvisibleWnd() : platform::Window(kWindow) {
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("Timer1"));
    timer->setSingleShot(true);
    timer->setInterval(kSplashMilliseconds);
    connect(timer, &QTimer::timeout, this, &InvisibleWnd::Timer1_Action);
    timer->start(); // counts from the window's creation
}

void InvisibleWnd::Open() {
    AboutWnd().Show();
}

void InvisibleWnd::Timer1_Action() {
    AboutWnd().Hide();
    shell::InvisibleWnd().Hide(); // qualified: unqualified, the name is the class here
    ui::ControlWnd().Show();
}

class InvisibleWnd& InvisibleWnd() {
    return platform::SharedWindow<class InvisibleWnd>();
}

} // namespace tavrel::shell
