#include "windows/about_window.h"

#include "ui_about_window.h"
#include "windows/fixed_window.h"
#include "windows/keys.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace tavrel::windows {

AboutWindow::AboutWindow(QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::AboutWindow>()) {
    ui_->setupUi(this);
    FixToContent(*this, Frame::None);
    ShowPicture(*ui_->nameBadge, QStringLiteral(":/pictures/name-badge.svg"));
    ShowPicture(*ui_->normalCurves, QStringLiteral(":/pictures/normal-curves.svg"));
}

AboutWindow::~AboutWindow() = default;

void AboutWindow::keyPressEvent(QKeyEvent* event) {
    if (IsPlainKey(*event)) {
        emit Dismissed();
    }
    QMainWindow::keyPressEvent(event);
}

void AboutWindow::mousePressEvent(QMouseEvent* event) {
    emit Dismissed();
    QMainWindow::mousePressEvent(event);
}

} // namespace tavrel::windows
