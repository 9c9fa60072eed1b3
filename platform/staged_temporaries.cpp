// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/staged_temporaries.h"

#include <atomic>

#ifndef _WIN32
#include <unistd.h>

#include <csignal>
#endif

namespace {

// More than any program here stages at once (a dump and a backup); a further one is simply
// not removed on a signal.
constexpr int kSlots = 8;
std::atomic<const char*> g_Temporaries[kSlots];

}  // namespace

void RegisterStagedTemporary(const char* path) {
    for (std::atomic<const char*>& slot : g_Temporaries) {
        const char* empty = nullptr;
        if (slot.compare_exchange_strong(empty, path)) return;
    }
}

void ForgetStagedTemporary(const char* path) {
    for (std::atomic<const char*>& slot : g_Temporaries) {
        const char* noted = path;
        if (slot.compare_exchange_strong(noted, nullptr)) return;
    }
}

#ifdef _WIN32
void RemoveTemporariesOnTerminatingSignals() {}
#else
namespace {

constexpr int kTerminating[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGXFSZ, SIGXCPU};

extern "C" void RemoveTemporariesAndEnd(int signal_number) {
    for (std::atomic<const char*>& slot : g_Temporaries) {
        const char* path = slot.exchange(nullptr);
        if (path != nullptr) ::unlink(path);
    }
    // The handler was reset on entry: raised again, the signal ends the process once it returns.
    ::raise(signal_number);
}

}  // namespace

void RemoveTemporariesOnTerminatingSignals() {
    struct sigaction cleanup {};
    cleanup.sa_handler = RemoveTemporariesAndEnd;
    sigemptyset(&cleanup.sa_mask);
    cleanup.sa_flags = SA_RESETHAND;
    for (int signal_number : kTerminating) {
        struct sigaction current {};
        if (::sigaction(signal_number, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        ::sigaction(signal_number, &cleanup, nullptr);
    }
}
#endif
