#include "shell/about_window.h"

#include "platform/key_kinds.h"
#include "platform/layout_widgets.h"
#include "resources/pictures.h"
#include "shell/notices.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <array>

namespace tavrel::shell {

namespace {

using platform::ControlKind;
using platform::LayoutItem;

constexpr platform::WindowLayout kWindow{.title = "",
                                         .width = 325,
                                         .height = 200,
                                         .frame = platform::Frame::None,
                                         .accessibleName = "About Tavrel"};

const std::array kItems = {
    LayoutItem{.kind = ControlKind::Picture,
               .bounds = {94, 174, 150, 22},
               .picture = &pictures::NameBadge,
               .accessibleName = "Tavrel"},
    LayoutItem{.kind = ControlKind::Label,
               .bounds = {3, 2, 319, 12},
               .text = kAboutNotice,
               .font = {"Times", 10, true},
               .textColor = platform::kDarkRed,
               .align = platform::Align::Centre},
    LayoutItem{.kind = ControlKind::Picture,
               .bounds = {100, 27, 125, 131},
               .picture = &pictures::NormalCurves,
               .accessibleName = "Two normal distributions whose means lie d standard "
                                 "deviations apart"},
};

} // namespace

AboutWindow::AboutWindow(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("about"));
    platform::BuildFixedWindow(*this, kWindow, kItems);
}

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    if (platform::IsPlainKey(*event)) {
        emit Dismissed();
    }
    QMainWindow::keyPressEvent(event);
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
    emit Dismissed();
    QMainWindow::mousePressEvent(event);
}

} // namespace tavrel::shell
