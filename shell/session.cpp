#include "shell/session.h"

#include "platform/layout_widgets.h"
#include "shell/about_window.h"
#include "shell/information_window.h"
#include "shell/menu_commands.h"
#include "ui/calculator_window.h"

#include <QTimer>

namespace tavrel::shell {

Session::Session(std::chrono::milliseconds startupPause)
    : commands_(std::make_unique<MenuCommands>()), about_(std::make_unique<AboutWindow>()) {
    // The about box has no room for a menu bar, but answers the commands' shortcuts.
    commands_->AddShortcuts(*about_);
    connect(commands_.get(), &MenuCommands::AboutRequested, this, &Session::ShowAbout);
    connect(about_.get(), &AboutWindow::Dismissed, this, &Session::ShowCalculator);
    platform::ShowInFront(*about_);
    QTimer::singleShot(startupPause, this, &Session::ShowCalculator);
}

Session::~Session() = default;

ui::CalculatorWindow& Session::Calculator() {
    if (!calculator_) {
        calculator_ = std::make_unique<ui::CalculatorWindow>();
        commands_->AddMenuBar(*calculator_);
        connect(calculator_.get(), &ui::CalculatorWindow::InformationRequested, this,
                &Session::ShowInformation);
        connect(calculator_.get(), &ui::CalculatorWindow::MessageRequested, this,
                &Session::MessageRequested);
        connect(calculator_.get(), &ui::CalculatorWindow::BeepRequested, this,
                &Session::BeepRequested);
        // Once the calculator is in front, the about window has done its part.
        connect(calculator_.get(), &ui::CalculatorWindow::Activated, about_.get(), &QWidget::hide);
    }
    return *calculator_;
}

InformationWindow& Session::Information() {
    if (!information_) {
        information_ = std::make_unique<InformationWindow>();
        commands_->AddMenuBar(*information_);
    }
    return *information_;
}

void Session::ShowCalculator() {
    about_->hide();
    platform::ShowInFront(Calculator());
}

void Session::ShowAbout() {
    platform::ShowInFront(*about_);
}

void Session::ShowInformation() {
    platform::ShowInFront(Information());
}

} // namespace tavrel::shell
