#pragma once

#include "platform/menu.h"

namespace tavrel::shell {

// The menu bar: File, Edit and Window, and the About item of the application menu.
class Menu : public platform::MenuBar {
  public:
    Menu(); // builds every menu and item
};

// The shared menu bar, built on first use and kept for the run.
class Menu& Menu();

} // namespace tavrel::shell
