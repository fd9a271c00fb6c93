#pragma once

namespace tavrel::outputs {

// While temporary output files exist, every signal that ends a process and can be caught
// (SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGPIPE, a fault, a timer, ...) removes them
// before the process ends by the same signal, through whatever handler it had before, so the
// shell sees the usual status. A signal that was ignored when the program started stays
// ignored.
//
// Those signals are held back between Hold() and Release(), so that a file is never created
// or renamed without being known to the handler.
class SignalCleanup {
  public:
    // How many files may wait to be put in place at once: a run writes at most five.
    static constexpr int kMostFiles = 8;

    static void Hold();
    static void Release();
    // The file `name` in the folder open as `directory` is removed on a signal. The name must
    // fit NAME_MAX. Returns the registration to forget later, or -1 where kMostFiles are
    // registered already. Call while holding.
    static int Remove(int directory, const char* name);
    // The registration's file is not removed any more. Call while holding.
    static void Forget(int registration);
};

} // namespace tavrel::outputs
