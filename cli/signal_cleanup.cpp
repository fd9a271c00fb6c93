#include "cli/signal_cleanup.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavrel::cli {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Read by the handler, so written only while the signals are held.
int g_directory = -1;
char g_name[NAME_MAX + 1];
volatile std::sig_atomic_t g_armed = 0;

sigset_t Signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals) {
        sigaddset(&set, signal);
    }
    return set;
}

// Only async-signal-safe calls. SA_RESETHAND has put the default action back, and the
// signal is blocked while this runs, so the raise ends the process as soon as this returns.
void OnSignal(int signal) {
    if (g_armed != 0) {
        unlinkat(g_directory, g_name, 0);
    }
    raise(signal);
}

void InstallOnce() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    for (const int signal : kSignals) {
        struct sigaction previous {};
        sigaction(signal, nullptr, &previous);
        if (previous.sa_handler == SIG_IGN) {
            continue; // nohup and friends asked for it to be ignored
        }
        struct sigaction action {};
        action.sa_handler = &OnSignal;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

} // namespace

void SignalCleanup::Hold() {
    const sigset_t set = Signals();
    sigprocmask(SIG_BLOCK, &set, nullptr);
}

void SignalCleanup::Release() {
    const sigset_t set = Signals();
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
}

void SignalCleanup::Remove(int directory, const char* name) {
    InstallOnce();
    g_directory = directory;
    std::strncpy(g_name, name, NAME_MAX);
    g_name[NAME_MAX] = '\0';
    g_armed = 1;
}

void SignalCleanup::Forget() {
    g_armed = 0;
}

} // namespace tavrel::cli
