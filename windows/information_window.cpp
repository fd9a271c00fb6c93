#include "windows/information_window.h"

#include "ui_information_window.h"
#include "windows/fixed_window.h"
#include "windows/keys.h"

#include <QKeyEvent>
#include <QMouseEvent>

namespace tavrel::windows {

InformationWindow::InformationWindow(QWidget* parent)
    : QMainWindow(parent), ui_(std::make_unique<Ui::InformationWindow>()) {
    ui_->setupUi(this);
    FixToContent(*this);
    ShowPicture(*ui_->pooledSDEquation, QStringLiteral(":/pictures/pooled-sd-equation.svg"));
    ShowPicture(*ui_->cohensDEquation, QStringLiteral(":/pictures/cohens-d-equation.svg"));
    ShowPicture(*ui_->unbiasedDEquation, QStringLiteral(":/pictures/unbiased-d-equation.svg"));
    ShowPicture(*ui_->commonLanguageEquation,
                QStringLiteral(":/pictures/common-language-equation.svg"));
    ShowPicture(*ui_->unbiasedDSDEquation, QStringLiteral(":/pictures/unbiased-d-sd-equation.svg"));
}

InformationWindow::~InformationWindow() = default;

void InformationWindow::keyPressEvent(QKeyEvent* event) {
    if (IsPlainKey(*event)) {
        hide();
    }
    QMainWindow::keyPressEvent(event);
}

void InformationWindow::mousePressEvent(QMouseEvent* event) {
    hide();
    QMainWindow::mousePressEvent(event);
}

} // namespace tavrel::windows
