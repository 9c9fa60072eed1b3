// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"

#include <cstdio>
#include <memory>
#include <string>

#include "cli/cli_output.h"
#include "cli/command_line.h"
#include "cli/ec_setup.h"
#include "cli/run_record.h"

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

// Known before parsing, so that a command line refused by the parser still gets its result
// object; the parser sets the flag only after every value passed its checks.
bool JsonAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") break;
        if (word == "--json") return true;
    }
    return false;
}

ExitStatus RunParsed(int argc, char** argv, CliRequest& request, std::unique_ptr<CliOutput>& out);

}  // namespace

int RunCli(int argc, char** argv) {
    CliRequest request;
    request.json = JsonAsked(argc, argv);
    std::unique_ptr<CliOutput> out;
    // One barrier for every command: whatever is thrown ends the run with its message and one
    // result object, never with an abort.
    std::string what;
    try {
        return AsInt(RunParsed(argc, argv, request, out));
    } catch (const std::exception& error) {
        what = error.what();
    } catch (...) {
        what = "an unknown error";
    }
    if (!out) out = std::make_unique<CliOutput>(request, ProgressMode::Off);
    const ExitStatus status = out->ec_touched() ? ExitStatus::Failed : ExitStatus::Usage;
    if (out->result_told()) return AsInt(status);
    return AsInt(out->Result(CommandName(request.command), status,
                             "stopped by an internal error (" + what + ")" +
                                 (out->ec_touched() ? "; the EC was released" : "; the EC was not touched")));
}

namespace {

ExitStatus RunParsed(int argc, char** argv, CliRequest& request, std::unique_ptr<CliOutput>& out) {
    CLI::App app{"", kProgramName};
    DefineCommandLine(app, request);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        // --help and --version end here with status 0, as CLI11 prints them.
        if (error.get_exit_code() == 0) return static_cast<ExitStatus>(app.exit(error));
        out = std::make_unique<CliOutput>(request, ProgressMode::Off);
        std::string what = error.what();
        // A word that is no command is left over, and CLI11 only says a command is missing.
        const std::vector<std::string> left = app.remaining();
        if (request.command == CliCommand::None && !left.empty() && left.front().rfind("-", 0) != 0)
            what = "unknown command '" + left.front() + "'; the commands are probe, read, write, verify and sum";
        return out->Result(CommandName(request.command), ExitStatus::Usage,
                           what + "; run 'vantu-cli --help' for the commands and options");
    }

    out = std::make_unique<CliOutput>(request);
    std::string problem;
    if (!out->OpenLog(problem)) return out->Result(CommandName(request.command), ExitStatus::Usage, problem);
    if (!request.record_file.empty() && !RecordPathUsable(request.record_file, problem))
        return out->Result(CommandName(request.command), ExitStatus::Usage, problem);
    RunRecord record(request, argc, argv);
    EcSetup setup;
    ExitStatus status;
    if (!ResolveEcSetup(request, setup, problem)) {
        status = out->Result(CommandName(request.command), ExitStatus::Usage, problem);
    } else {
        record.Describe(setup);
        status = Dispatch(request, setup, *out);
    }
    record.Save(status, *out);
    return status;
}

}  // namespace
