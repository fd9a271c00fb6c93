#include "platform/application.h"

#include "platform/menu.h"

#include <QCoreApplication>

namespace tavrel::platform {

namespace {

Application* current = nullptr;

} // namespace

Application::Application() {
    current = this;
}

Application::~Application() {
    if (current == this) {
        current = nullptr;
    }
}

Application* CurrentApplication() {
    return current;
}

void RefreshMenus() {
    if (current != nullptr && current->MenuBar() != nullptr) {
        current->MenuBar()->UpdateEnabling();
    }
}

void Quit(int exitCode) {
    QCoreApplication::exit(exitCode);
}

} // namespace tavrel::platform
