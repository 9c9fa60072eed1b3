#include "cli/run_cli.h"

#include <cstdio>

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/ec_setup.h"

namespace {

const char* CommandName(CliCommand command) {
    switch (command) {
        case CliCommand::Probe: return "probe";
        case CliCommand::Read: return "read";
        case CliCommand::Write: return "write";
        case CliCommand::Verify: return "verify";
        case CliCommand::Sum: return "sum";
        case CliCommand::None: break;
    }
    return "";
}

ExitStatus Dispatch(const CliRequest& request, const EcSetup& setup, CliOutput& out) {
    switch (request.command) {
        case CliCommand::Probe: return RunProbe(request, setup, out);
        case CliCommand::Read: return RunRead(request, setup, out);
        case CliCommand::Write: return RunWrite(request, setup, out);
        case CliCommand::Verify: return RunVerify(request, setup, out);
        case CliCommand::Sum: return RunSum(request, setup, out);
        case CliCommand::None: break;
    }
    return out.Result("", ExitStatus::Usage, "no command given; run 'vantu-cli --help'");
}

}  // namespace

int RunCli(int argc, char** argv) {
    CLI::App app{"", kProgramName};
    CliRequest request;
    DefineCommandLine(app, request);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end here with status 0, as CLI11 prints them.
        if (error.get_exit_code() == 0) return app.exit(error);
        CliOutput out(request, ProgressMode::Off);
        std::string what = error.what();
        // A word that is no command is left over, and CLI11 only says a command is missing.
        const std::vector<std::string> left = app.remaining();
        if (request.command == CliCommand::None && !left.empty() && left.front().rfind("-", 0) != 0)
            what = "unknown command '" + left.front() + "'; the commands are probe, read, write, verify and sum";
        return AsInt(out.Result(CommandName(request.command), ExitStatus::Usage,
                                what + "; run 'vantu-cli --help' for the commands and options"));
    }

    CliOutput out(request);
    std::string problem;
    if (!out.OpenLog(problem)) return AsInt(out.Result(CommandName(request.command), ExitStatus::Usage, problem));
    EcSetup setup;
    if (!ResolveEcSetup(request, setup, problem))
        return AsInt(out.Result(CommandName(request.command), ExitStatus::Usage, problem));
    return AsInt(Dispatch(request, setup, out));
}
