#include "cli/ec_session.h"

#include <unistd.h>

#include <cstdio>

#include "hw/ec_channel.h"
#include "hw/ec_presence.h"
#include "hw/port_io.h"
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
                          "no port access (see above); nothing was done. Run as root with the port library "
                          "libinpout32.so installed");
    ApplyEcSetup(setup);
    if (plan.needs_ec_answer && !EC_StatusPortAnswers())
        return out.Result(plan.command, ExitStatus::Refused,
                          EC_SilentPortText(g_StatusPort) + " Check --port (or --settings); run probe");
    if (!plan.writes_flash) return body();

    const PowerState power = ReadPowerState(plan.power_supply_root);
    if (RefuseFlashForBattery(power))
        return out.Result(plan.command, ExitStatus::Refused, LowBatteryText(power));
    // A half-written EC does not start again: neither sleep nor a signal may cut the run short.
    // A held signal ends the program once the EC has its end command and the result is told.
    const SleepInhibitor no_sleep;
    const SignalHold signals_wait;
    return body();
}
