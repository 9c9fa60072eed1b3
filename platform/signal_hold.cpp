// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/signal_hold.h"

#include <atomic>
#include <csignal>
#include <mutex>

namespace {

std::atomic<int> g_Pending{0};
std::mutex g_DepthMutex;
int g_Depth = 0;  // holds in force, under g_DepthMutex

void InstallHold();
void RemoveHold();
// What a noted signal does once the outermost hold has ended.
void ActOn(int signal_number);

}  // namespace

SignalHold::SignalHold() {
    const std::lock_guard<std::mutex> guard(g_DepthMutex);
    if (g_Depth++ != 0) return;
    g_Pending = 0;
    InstallHold();
}

SignalHold::~SignalHold() {
    int pending = 0;
    {
        const std::lock_guard<std::mutex> guard(g_DepthMutex);
        if (--g_Depth != 0) return;
        RemoveHold();
        pending = g_Pending.exchange(0);
    }
    if (pending != 0) ActOn(pending);
}

int SignalHold::pending_signal() const { return g_Pending; }

int HeldSignal() { return g_Pending; }

#ifdef _WIN32
#include <windows.h>

// Windows has no signals: a console's Ctrl+C, Ctrl+Break and close reach the program through
// its control handler. A window program never gets them, so for it the hold does nothing.
namespace {

constexpr DWORD kControlCExit = 0xC000013A;  // how Windows ends a program on Ctrl+C

HANDLE g_HoldEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set when the hold ends

void InstallHold() {
    ResetEvent(g_HoldEnded);
    SetConsoleCtrlHandler(SignalHoldConsoleHandler, TRUE);
}

void RemoveHold() {
    SetConsoleCtrlHandler(SignalHoldConsoleHandler, FALSE);
    SetEvent(g_HoldEnded);  // a close waiting in the handler now ends the process
}

void ActOn(int signal_number) {
    if (signal_number == SIGINT || signal_number == SIGBREAK) ExitProcess(kControlCExit);
}

}  // namespace

BOOL WINAPI SignalHoldConsoleHandler(DWORD event) {
    const int as_signal = event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM;
    int none = 0;
    if (g_Pending.compare_exchange_strong(none, as_signal)) {
        static const char notice[] = "vantu: the work with the EC finishes first; the program ends after it\r\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), notice, sizeof notice - 1, &written, nullptr);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // A closed console, a log-off or a shutdown ends the process once this returns: it returns
    // only when the EC is released, or when the system's own time limit cuts it short.
    WaitForSingleObject(g_HoldEnded, INFINITE);
    return FALSE;
}

void IgnoreWriteSignals() {}

#else

#include <unistd.h>

#include <iterator>

namespace {

constexpr int kHeldSignals[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGUSR1, SIGUSR2,
                                SIGALRM, SIGPIPE, SIGXFSZ, SIGVTALRM, SIGPROF};
constexpr int kHeldCount = static_cast<int>(std::size(kHeldSignals));

struct sigaction g_Previous[kHeldCount];
bool g_Installed[kHeldCount];

extern "C" void NoteSignal(int signal_number) {
    int none = 0;
    // Only the first is kept and told about; write() is safe in a handler, stdio is not.
    if (g_Pending.compare_exchange_strong(none, signal_number)) {
        static const char notice[] = "vantu: the work with the EC finishes first; the program ends after it\n";
        const ssize_t ignored = ::write(STDERR_FILENO, notice, sizeof notice - 1);
        (void)ignored;
    }
}

void InstallHold() {
    struct sigaction hold {};
    hold.sa_handler = NoteSignal;
    sigemptyset(&hold.sa_mask);
    hold.sa_flags = SA_RESTART;  // the run's own system calls go on undisturbed
    for (int i = 0; i < kHeldCount; ++i) {
        g_Installed[i] = false;
        if (::sigaction(kHeldSignals[i], nullptr, &g_Previous[i]) != 0) continue;
        // Started with the signal ignored (nohup): it was never going to end the run.
        if (g_Previous[i].sa_handler == SIG_IGN) continue;
        g_Installed[i] = ::sigaction(kHeldSignals[i], &hold, nullptr) == 0;
    }
}

void RemoveHold() {
    for (int i = 0; i < kHeldCount; ++i) {
        if (g_Installed[i]) ::sigaction(kHeldSignals[i], &g_Previous[i], nullptr);
    }
}

void ActOn(int signal_number) { ::raise(signal_number); }

}  // namespace

void IgnoreWriteSignals() {
    ::signal(SIGPIPE, SIG_IGN);
    ::signal(SIGXFSZ, SIG_IGN);
}

#endif
