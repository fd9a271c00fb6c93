#include "outputs/signal_cleanup.h"

#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavrel::outputs {

namespace {

// Every signal whose default action ends the process and that a handler can catch.
constexpr int kSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT, SIGABRT,   SIGPIPE, SIGALRM,
                            SIGUSR1, SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGSEGV,
                            SIGBUS,  SIGFPE,  SIGILL,  SIGTRAP, SIGSYS};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// Read by the handler, so written only while the signals are held.
struct PendingFile {
    int directory;
    char name[NAME_MAX + 1];
    volatile std::sig_atomic_t armed;
};
PendingFile g_files[SignalCleanup::kMostFiles];
struct sigaction g_previous[kSignalCount];

sigset_t Signals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kSignals) {
        sigaddset(&set, signal);
    }
    return set;
}

// Only async-signal-safe calls. The handler the process had before is put back and the signal
// raised again: it is blocked while this runs, so it ends the process (or reaches a
// sanitizer's report) as soon as this returns.
void OnSignal(int signal) {
    for (PendingFile& file : g_files) {
        if (file.armed != 0) {
            unlinkat(file.directory, file.name, 0);
            file.armed = 0;
        }
    }
    for (int i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] == signal) {
            sigaction(signal, &g_previous[i], nullptr);
        }
    }
    raise(signal);
}

void InstallOnce() {
    static bool installed = false;
    if (installed) {
        return;
    }
    installed = true;
    for (int i = 0; i < kSignalCount; ++i) {
        sigaction(kSignals[i], nullptr, &g_previous[i]);
        if (g_previous[i].sa_handler == SIG_IGN) {
            continue; // nohup and friends asked for it to be ignored
        }
        struct sigaction action {};
        action.sa_handler = &OnSignal;
        sigemptyset(&action.sa_mask);
        sigaction(kSignals[i], &action, nullptr);
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

int SignalCleanup::Remove(int directory, const char* name) {
    InstallOnce();
    for (int slot = 0; slot < kMostFiles; ++slot) {
        PendingFile& file = g_files[slot];
        if (file.armed == 0) {
            file.directory = directory;
            std::strncpy(file.name, name, NAME_MAX);
            file.name[NAME_MAX] = '\0';
            file.armed = 1;
            return slot;
        }
    }
    return -1;
}

void SignalCleanup::Forget(int registration) {
    if (registration >= 0 && registration < kMostFiles) {
        g_files[registration].armed = 0;
    }
}

} // namespace tavrel::outputs
