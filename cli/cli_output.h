#pragma once
// Everything vantu-cli tells: JSON objects on stdout with --json, a summary for a person on
// stdout otherwise, progress and errors on stderr, and all of it but the JSON in the log.

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_request.h"
#include "cli/exit_status.h"
#include "cli/progress_view.h"

class CliOutput {
public:
    /// Progress goes to stderr rewritten in place on a terminal, as lines otherwise, and
    /// nowhere with --quiet.
    explicit CliOutput(const CliRequest& request);
    /// For tests and the output's own users: progress in `mode`.
    CliOutput(const CliRequest& request, ProgressMode mode);
    ~CliOutput();
    CliOutput(const CliOutput&) = delete;
    CliOutput& operator=(const CliOutput&) = delete;

    /// Opens the --log file for appending; false with `error` when it cannot be opened.
    bool OpenLog(std::string& error);

    /// With --json: the object as one line on stdout.
    void Event(const nlohmann::json& object);
    void Progress(const ProgressPoint& point);
    /// A line of the summary: stdout unless --json or --quiet.
    void Say(const std::string& line);
    /// A problem: always on stderr, prefixed with the program's name.
    void Error(const std::string& line);
    /// The end of the command: the message where it belongs, and with --json the result
    /// object made of `fields` plus command, status and message.
    ExitStatus Result(const std::string& command, ExitStatus status, const std::string& message,
                      nlohmann::json fields = nlohmann::json::object());

    bool json() const { return json_; }

private:
    void Log(const std::string& line);
    void EndProgressLine();

    bool json_;
    bool quiet_;
    std::string log_path_;
    std::FILE* log_ = nullptr;
    ProgressView progress_;
    std::string last_logged_progress_;
};
