#include "cli/ec_session.h"

#include <unistd.h>

#include <cstdio>

#include "hw/port_io.h"

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

}  // namespace

ExitStatus RunEcSession(const SessionPlan& plan, const EcSetup& setup, CliOutput& out,
                        const std::function<ExitStatus()>& body) {
    const std::string refusal = EcSetupRefusal(setup);
    if (!refusal.empty()) return out.Result(plan.command, ExitStatus::Refused, refusal);

    PortLibrary library;
    if (!library.open())
        return out.Result(plan.command, ExitStatus::NoPortAccess,
                          "no port access: run as root, and check that the port library libinpout32.so is "
                          "installed");
    ApplyEcSetup(setup);
    return body();
}
