#include "shell/session.h"

#include "shell/menu_commands.h"
#include "windows/about_window.h"
#include "windows/calculator_window.h"
#include "windows/fixed_window.h"
#include "windows/information_window.h"

#include <QTimer>

namespace tavrel::shell {

Session::Session(std::chrono::milliseconds startupPause)
    : commands_(std::make_unique<MenuCommands>()),
      about_(std::make_unique<windows::AboutWindow>()) {
    // The about box has no room for a menu bar, but Quit's shortcut works there.
    commands_->AddShortcuts(*about_);
    connect(commands_.get(), &MenuCommands::AboutRequested, this, &Session::ShowAbout);
    connect(commands_.get(), &MenuCommands::ControlRequested, this, &Session::ShowCalculator);
    connect(about_.get(), &windows::AboutWindow::Dismissed, this, &Session::ShowCalculator);
    windows::ShowInFront(*about_);
    QTimer::singleShot(startupPause, this, &Session::ShowCalculator);
}

Session::~Session() = default;

windows::CalculatorWindow& Session::Calculator() {
    if (!calculator_) {
        calculator_ = std::make_unique<windows::CalculatorWindow>();
        commands_->AddMenuBar(*calculator_, {.about = true, .aboutApplication = true},
                              calculator_->EditCommands());
        connect(calculator_.get(), &windows::CalculatorWindow::InformationRequested, this,
                &Session::ShowInformation);
        connect(calculator_.get(), &windows::CalculatorWindow::MessageRequested, this,
                &Session::MessageRequested);
        connect(calculator_.get(), &windows::CalculatorWindow::BeepRequested, this,
                &Session::BeepRequested);
        // Once the calculator is in front, the about window has done its part.
        connect(calculator_.get(), &windows::CalculatorWindow::Activated, about_.get(),
                &QWidget::hide);
    }
    return *calculator_;
}

windows::InformationWindow& Session::Information() {
    if (!information_) {
        information_ = std::make_unique<windows::InformationWindow>();
        // Opened from the calculator, which therefore exists.
        commands_->AddMenuBar(*information_, {.control = true}, Calculator().EditCommands());
    }
    return *information_;
}

void Session::ShowCalculator() {
    about_->hide();
    windows::ShowInFront(Calculator());
}

void Session::ShowAbout() {
    windows::ShowInFront(*about_);
}

void Session::ShowInformation() {
    windows::ShowInFront(Information());
}

} // namespace tavrel::shell
