#pragma once

#include "platform/application.h"

namespace tavrel::shell {

// The application object. It has nothing of its own beyond the shared menu bar.
class App : public platform::Application {};

// The application object, created on first use and registered as the current one.
class App& App();

} // namespace tavrel::shell
