#include "hw/signal_hold.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
// A window program on Windows gets no console signals; there is nothing to hold.
SignalHold::SignalHold() {}
SignalHold::~SignalHold() {}
int SignalHold::pending_signal() const { return 0; }
#else

#include <unistd.h>

namespace {

constexpr int kHeldSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr char kNotice[] = "vantu: the flash will finish first; the program ends after it\n";

std::atomic<int> g_Pending{0};
struct sigaction g_Previous[3];
bool g_Installed[3];

extern "C" void NoteSignal(int signal_number) {
    int none = 0;
    // Only the first is kept and told about; write() is safe in a handler, stdio is not.
    if (g_Pending.compare_exchange_strong(none, signal_number)) {
        const ssize_t ignored = ::write(STDERR_FILENO, kNotice, sizeof kNotice - 1);
        (void)ignored;
    }
}

}  // namespace

SignalHold::SignalHold() {
    g_Pending = 0;
    struct sigaction hold {};
    hold.sa_handler = NoteSignal;
    sigemptyset(&hold.sa_mask);
    hold.sa_flags = SA_RESTART;  // the run's own system calls go on undisturbed
    for (int i = 0; i < 3; ++i) {
        g_Installed[i] = false;
        if (::sigaction(kHeldSignals[i], nullptr, &g_Previous[i]) != 0) continue;
        // Started with the signal ignored (nohup): it was never going to end the run.
        if (g_Previous[i].sa_handler == SIG_IGN) continue;
        g_Installed[i] = ::sigaction(kHeldSignals[i], &hold, nullptr) == 0;
    }
}

SignalHold::~SignalHold() {
    for (int i = 0; i < 3; ++i) {
        if (g_Installed[i]) ::sigaction(kHeldSignals[i], &g_Previous[i], nullptr);
    }
    const int pending = g_Pending.exchange(0);
    if (pending != 0) ::raise(pending);
}

int SignalHold::pending_signal() const { return g_Pending; }

#endif
