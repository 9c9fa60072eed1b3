#include "cli/ec_session.h"

#include <unistd.h>

#include <cstdio>

#include "hw/ec_channel.h"
#include "hw/ec_presence.h"
#include "hw/library_loader.h"
#include "hw/port_io.h"
#include "hw/port_recording.h"
#include "hw/scoped_override.h"
#include "hw/session_lock.h"
#include "hw/signal_hold.h"
#include "hw/sleep_inhibitor.h"

namespace {

// The port library's failure text goes to standard output by long custom; here standard
// output may carry JSON, so the text is sent to standard error while the library loads.
class StdoutToStderr {
public:
    StdoutToStderr() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        if (saved_ >= 0) ::dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StdoutToStderr() {
        std::fflush(stdout);
        if (saved_ < 0) return;
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;

private:
    int saved_ = -1;
};

class PortLibrary {
public:
    PortLibrary() {
        StdoutToStderr text_to_stderr;
        open_ = IO_Open();
        if (!open_) std::fputc('\n', stdout);
    }
    ~PortLibrary() {
        if (open_) IO_Close();
    }
    PortLibrary(const PortLibrary&) = delete;
    PortLibrary& operator=(const PortLibrary&) = delete;
    bool open() const { return open_; }

private:
    bool open_ = false;
};

// The lock's own text speaks for the window program.
std::string LockRefusal(const SessionLock& lock) {
    std::string text = lock.RefusalText();
    const std::string prefix = "vantu: ";
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
    return text + (lock.state() == SessionLock::State::Busy ? "; wait until it has ended" : "");
}

#ifdef _WIN32
constexpr char kPrivilege[] = "as administrator";
#else
constexpr char kPrivilege[] = "as root";
#endif

const SignalHold* g_Signals = nullptr;  // the session's, while its body runs

}  // namespace

ExitStatus RunEcSession(const SessionPlan& plan, const EcSetup& setup, CliOutput& out,
                        const std::function<ExitStatus()>& body) {
    const std::string refusal = EcSetupRefusal(setup);
    if (!refusal.empty()) return out.Result(plan.command, ExitStatus::Refused, refusal);

    // One program at a time talks to the EC, also when it only reads.
    const SessionLock lock;
    if (!lock.held()) return out.Result(plan.command, ExitStatus::Refused, LockRefusal(lock));

    PortLibrary library;
    if (!library.open())
        return out.Result(plan.command, ExitStatus::NoPortAccess,
                          std::string("no port access (see above); nothing was done. Run ") + kPrivilege +
                              " with the port library " + kPortLibraryName + " installed");
    ApplyEcSetup(setup);
    if (plan.needs_ec_answer && !EC_StatusPortAnswers())
        return out.Result(plan.command, ExitStatus::Refused,
                          EC_SilentPortText(g_StatusPort) + " Check --port (or --settings); run probe");
    // An EC left in follow mode runs no firmware, and a half-written one does not start again:
    // no signal may end the session before the EC is released. A held signal ends the program
    // once it is, after the result is told.
    const SignalHold signals_wait;
    const ScopedOverride<const SignalHold*> reachable(g_Signals, &signals_wait);
    ExitStatus status;
    if (!plan.writes_flash) {
        status = body();
    } else {
        // The flash run itself checks the battery and the chip before it writes.
        const SleepInhibitor no_sleep;
        status = body();
    }
    // The held signal ends the program as the hold ends, before the command could save it.
    if (signals_wait.pending_signal() != 0) SaveActivePortRecording();
    return status;
}

bool SessionInterrupted() { return g_Signals != nullptr && g_Signals->pending_signal() != 0; }
