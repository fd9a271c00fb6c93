#pragma once

namespace tavrel::shell {

// Connects the calculator window to the information and about windows.
void InstallWindowLinks();

// Runs Tavrel: sets up the application, shows the calculator and runs the event loop.
// Returns the process's exit status.
int RunApplication(int argc, char** argv);

} // namespace tavrel::shell
