#include "cli/run_cli.h"

#include <cstdio>
#include <memory>

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/ec_setup.h"
#include "cli/run_record.h"
#include "spi/chunk_state.h"

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

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

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

    // The engine's verify marks are for the window's console; progress here is our own.
    const std::unique_ptr<std::FILE, FileCloser> no_marks(std::fopen("/dev/null", "w"));
    const ScopedProgressOut marks_nowhere(no_marks ? no_marks.get() : stderr);

    CliOutput out(request);
    std::string problem;
    if (!out.OpenLog(problem)) return AsInt(out.Result(CommandName(request.command), ExitStatus::Usage, problem));
    if (!request.record_file.empty() && !RecordPathUsable(request.record_file, problem))
        return AsInt(out.Result(CommandName(request.command), ExitStatus::Usage, problem));
    RunRecord record(request, argc, argv);
    EcSetup setup;
    ExitStatus status;
    if (!ResolveEcSetup(request, setup, problem)) {
        status = out.Result(CommandName(request.command), ExitStatus::Usage, problem);
    } else {
        record.Describe(setup);
        status = Dispatch(request, setup, out);
    }
    record.Save(status, out);
    return AsInt(status);
}
