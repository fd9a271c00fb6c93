#pragma once

namespace tavrel::cli {

// While a temporary output file exists, SIGINT, SIGTERM and SIGHUP remove it before they end
// the process, which then ends by the same signal so that the shell sees the usual status.
// A signal that was ignored when the program started stays ignored.
//
// The three signals are held back between Hold() and Release(), so that a file is never
// created or renamed without being known to the handler.
class SignalCleanup {
  public:
    static void Hold();
    static void Release();
    // The file `name` in the folder open as `directory` is removed on a signal. The name must
    // fit NAME_MAX. Call while holding.
    static void Remove(int directory, const char* name);
    // Nothing is removed any more. Call while holding.
    static void Forget();
};

} // namespace tavrel::cli
