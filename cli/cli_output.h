// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything vantu-cli tells: JSON objects on stdout with --json, a summary for a person on
// stdout otherwise, progress and errors on stderr, and all of it but the JSON in the log.

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/cli_request.h"
#include "cli/exit_status.h"
#include "cli/progress_view.h"

// Asking a person before the flash is rewritten. Without a terminal nobody can answer, so
// nothing waits for an answer that cannot come.

enum class Confirmation { Confirmed, Declined, NoTerminal };

/// Asks `question` on standard error and reads one line of standard input when both are a
/// terminal; "y" or "yes" (any case) confirms, anything else declines.
Confirmation AskToConfirm(const std::string& question);

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

    /// Opens the --log file for appending, a regular file or a new one only; false with `error`
    /// when it cannot be opened or is refused.
    bool OpenLog(std::string& error);

    /// With --json: the object as one line on stdout, bytes that are not UTF-8 replaced.
    void Event(const nlohmann::json& object);
    void Progress(const ProgressPoint& point);
    /// A line of the summary: stdout unless --json or --quiet.
    void Say(const std::string& line);
    /// A problem: always on stderr, prefixed with the program's name.
    void Error(const std::string& line);
    /// The end of the command: the message where it belongs, and with --json the result
    /// object made of `fields` plus command, status and message. Output that could not be
    /// written (standard output, the log) turns a pass into Failed, and says where.
    ExitStatus Result(const std::string& command, ExitStatus status, const std::string& message,
                      nlohmann::json fields = nlohmann::json::object());

    bool json() const { return json_; }
    /// True once Result was called: a command tells exactly one result.
    bool result_told() const { return result_told_; }
    /// Noted once the EC was spoken to; an error after that is a failure, not a usage error.
    void NoteEcTouched() { ec_touched_ = true; }
    bool ec_touched() const { return ec_touched_; }

private:
    void Log(const std::string& line);
    void EndProgressLine();
    void WriteStdout(const std::string& line);
    // What could not be written and why; empty when nothing was lost.
    std::string LostOutput() const;

    bool json_;
    bool quiet_;
    std::string log_path_;
    std::FILE* log_ = nullptr;
    ProgressView progress_;
    std::string last_logged_progress_;
    bool result_told_ = false;
    bool ec_touched_ = false;
    int stdout_errno_ = 0;  // the first failed write to standard output
    int log_errno_ = 0;     // the first failed write to the log
};
