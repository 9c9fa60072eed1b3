#include "hw/signal_hold.h"

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <windows.h>

// Windows has no signals: a console's Ctrl+C, Ctrl+Break and close reach the program through
// its control handler. A window program never gets them, so for it the hold does nothing.
namespace {

constexpr char kNotice[] = "vantu: the flash will finish first; the program ends after it\r\n";
constexpr DWORD kControlCExit = 0xC000013A;  // how Windows ends a program on Ctrl+C

std::atomic<int> g_Pending{0};
HANDLE g_HoldEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // set when the hold ends

}  // namespace

BOOL WINAPI SignalHoldConsoleHandler(DWORD event) {
    const int as_signal = event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM;
    int none = 0;
    if (g_Pending.compare_exchange_strong(none, as_signal)) {
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_ERROR_HANDLE), kNotice, sizeof kNotice - 1, &written, nullptr);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
    // A closed console, a log-off or a shutdown ends the process once this returns: it returns
    // only when the EC is released, or when the system's own time limit cuts it short.
    WaitForSingleObject(g_HoldEnded, INFINITE);
    return FALSE;
}

SignalHold::SignalHold() {
    g_Pending = 0;
    ResetEvent(g_HoldEnded);
    SetConsoleCtrlHandler(SignalHoldConsoleHandler, TRUE);
}

SignalHold::~SignalHold() {
    SetConsoleCtrlHandler(SignalHoldConsoleHandler, FALSE);
    SetEvent(g_HoldEnded);  // a close waiting in the handler now ends the process
    const int pending = g_Pending.exchange(0);
    if (pending == SIGINT || pending == SIGBREAK) ExitProcess(kControlCExit);
}

int SignalHold::pending_signal() const { return g_Pending; }
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
