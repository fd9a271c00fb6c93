#pragma once

#include <functional>

namespace tavrel::shell {

// Runs Tavrel: the session, with the files the command line names, then the event loop until
// the calculator window is closed or Quit is chosen. Returns the process's exit status.
// `beforeEventLoop`, where given, runs between the two (measuring tools use it to watch the
// start-up).
int Main(int argc, char** argv, const std::function<void()>& beforeEventLoop = {});

} // namespace tavrel::shell
