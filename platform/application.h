#pragma once

namespace tavrel::platform {

// Ends the application: the event loop returns `exitCode`.
void Quit(int exitCode);

} // namespace tavrel::platform
