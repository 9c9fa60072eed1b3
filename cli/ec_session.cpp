// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ec_session.h"

#include <unistd.h>

#include <cstdio>

#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/port_io.h"
#include "hw/port_recording.h"
#include "platform/administrator_rights.h"
#include "platform/library_loader.h"
#include "platform/sleep_inhibitor.h"

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

// The session's own text speaks for the window program.
std::string SessionRefusal(const EcSession& session) {
    std::string text = session.RefusalText();
    const std::string prefix = "vantu: ";
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
    return text + (session.state() == EcSessionState::Locked ? "; wait until it has ended" : "");
}

#ifdef _WIN32
constexpr char kPrivilege[] = "as administrator";
#else
constexpr char kPrivilege[] = "as root";
#endif

}  // namespace

ExitStatus RunEcSession(const SessionPlan& plan, const EcSetup& setup, CliOutput& out,
                        const std::function<ExitStatus()>& body) {
    const std::string refusal = EcSetupRefusal(setup);
    if (!refusal.empty()) return out.Result(plan.command, ExitStatus::Refused, refusal);
    // Windows runs a console tool with the rights of its console and never asks for more.
    if (!RunsWithAdministratorRights())
        return out.Result(plan.command, ExitStatus::NoPortAccess,
                          "no administrator rights, which port access needs; nothing was done. Run vantu-cli "
                          "from an administrator prompt (right-click Command Prompt or Terminal, then Run as "
                          "administrator)");

    // One program at a time talks to the EC, also when it only reads. An EC left in follow
    // mode runs no firmware, and a half-written one does not start again: from here no signal
    // ends the program before the EC is released and the result told.
    EcSession session(EcSetupPorts(setup));
    if (!session.open()) return out.Result(plan.command, ExitStatus::Refused, SessionRefusal(session));

    PortLibrary library;
    if (!library.open())
        return out.Result(plan.command, ExitStatus::NoPortAccess,
                          std::string("no port access (see above); nothing was done. Run ") + kPrivilege +
                              " with the port library " + kPortLibraryName + " installed");
    out.NoteEcTouched();
    if (plan.needs_ec_answer && !session.channel().StatusPortAnswers())
        return out.Result(plan.command, ExitStatus::Refused,
                          EC_SilentPortText(session.channel().ports().command) + " Check --port (or --settings); run probe");
    ExitStatus status;
    if (!plan.writes_flash) {
        status = body();
    } else {
        // The flash run itself checks the battery and the chip before it writes.
        const SleepInhibitor no_sleep;
        status = body();
    }
    // A held signal ends the program as the session ends, before the command could save it.
    if (HeldSignal() != 0) SaveActivePortRecording();
    return status;
}

bool SessionInterrupted() { return HeldSignal() != 0; }
