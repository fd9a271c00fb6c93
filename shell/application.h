#pragma once

#include <functional>

namespace tavrel::shell {

// Connects the calculator window to the information and about windows.
void InstallWindowLinks();

// The start-up steps, in the order Main runs them.
void InitFileTypes();              // builds (and where possible registers) the file types
void NewAppInstance();             // the application object with the shared menu bar
void ApplicationAddMenuHandlers(); // none: every command belongs to the frontmost window
void MakeDefaultView();            // the hidden window, which shows the about window

// Runs Tavrel: the start-up steps, then the event loop until the calculator window is
// closed or Quit is chosen. Returns the process's exit status. `beforeEventLoop`, where
// given, runs between the two (measuring tools use it to watch the start-up).
int Main(int argc, char** argv, const std::function<void()>& beforeEventLoop = {});

} // namespace tavrel::shell
