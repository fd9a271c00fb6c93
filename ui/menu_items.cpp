#include "ui/menu_items.h"

#include "platform/application.h"

#include <stdexcept>

namespace tavrel::ui {

namespace {

platform::MenuItem& Item(const char* name) {
    platform::Application* app = platform::CurrentApplication();
    platform::MenuItem* item = app != nullptr && app->MenuBar() != nullptr
                                   ? app->MenuBar()->Find(QString::fromLatin1(name))
                                   : nullptr;
    if (item == nullptr) {
        throw std::logic_error(std::string("no menu item named ") + name);
    }
    return *item;
}

} // namespace

platform::MenuItem& AboutMenuItem() {
    return Item("AboutMenuItem");
}
platform::MenuItem& AboutQuillet() {
    return Item("AboutQuillet");
}
platform::MenuItem& ControlMenuItem() {
    return Item("ControlMenuItem");
}

} // namespace tavrel::ui
