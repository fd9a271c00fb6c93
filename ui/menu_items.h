#pragma once

#include "platform/menu.h"

namespace tavrel::ui {

// Items of the application's menu bar that the calculator window enables, looked up by name
// in all of its menus. A missing item is a programming error: std::logic_error.
platform::MenuItem& AboutMenuItem();
platform::MenuItem& AboutQuillet();
platform::MenuItem& ControlMenuItem();

} // namespace tavrel::ui
