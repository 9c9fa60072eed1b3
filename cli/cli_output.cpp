// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_output.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>

#include "cli/command_line.h"
#include "platform/write_target.h"

namespace {

ProgressMode ModeFor(const CliRequest& request) {
    if (request.quiet) return ProgressMode::Off;
    return ::isatty(STDERR_FILENO) ? ProgressMode::Terminal : ProgressMode::Lines;
}

std::string TimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    ::localtime_s(&local, &now);
#else
    ::localtime_r(&now, &local);
#endif
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

CliOutput::CliOutput(const CliRequest& request) : CliOutput(request, ModeFor(request)) {}

CliOutput::CliOutput(const CliRequest& request, ProgressMode mode)
    : json_(request.json), quiet_(request.quiet), log_path_(request.log_file), progress_(stderr, mode) {}

CliOutput::~CliOutput() {
    EndProgressLine();
    if (log_ != nullptr) std::fclose(log_);
}

bool CliOutput::OpenLog(std::string& error) {
    if (log_path_.empty()) return true;
    if (const std::string refusal = WriteTargetRefusal(log_path_); !refusal.empty()) {
        error = "the log file " + refusal;
        return false;
    }
    std::string why;
    log_ = OpenRegularFileForAppend(log_path_, why);
    if (log_ == nullptr) {
        error = "cannot open the log file " + log_path_ + ": " + why + "; give --log a file in a writable directory";
        return false;
    }
    return true;
}

void CliOutput::Log(const std::string& line) {
    if (log_ == nullptr || log_errno_ != 0) return;
    errno = 0;
    if (std::fprintf(log_, "%s %s\n", TimeStamp().c_str(), line.c_str()) < 0 || std::fflush(log_) != 0)
        log_errno_ = errno != 0 ? errno : EIO;
}

void CliOutput::WriteStdout(const std::string& line) {
    errno = 0;
    if ((std::fprintf(stdout, "%s\n", line.c_str()) < 0 || std::fflush(stdout) != 0) && stdout_errno_ == 0)
        stdout_errno_ = errno != 0 ? errno : EIO;
}

std::string CliOutput::LostOutput() const {
    std::string lost;
    if (stdout_errno_ != 0) lost = std::string("standard output could not be written: ") + std::strerror(stdout_errno_);
    if (log_errno_ != 0)
        lost += (lost.empty() ? "" : "; ") + std::string("the log file ") + log_path_ +
                " could not be written: " + std::strerror(log_errno_);
    return lost;
}

void CliOutput::EndProgressLine() { progress_.Finish(); }

void CliOutput::Event(const nlohmann::json& object) {
    if (!json_) return;
    // A file name or a setting may be any bytes; the object must stay valid UTF-8 all the same.
    WriteStdout(object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void CliOutput::Progress(const ProgressPoint& point) {
    progress_.Show(point);
    if (progress_.last_line() != last_logged_progress_) {
        last_logged_progress_ = progress_.last_line();
        Log(last_logged_progress_);
    }
}

void CliOutput::Say(const std::string& line) {
    Log(line);
    if (json_ || quiet_) return;
    EndProgressLine();
    WriteStdout(line);
}

void CliOutput::Error(const std::string& line) {
    Log("error: " + line);
    EndProgressLine();
    std::fprintf(stderr, "%s: %s\n", kProgramName, line.c_str());
    std::fflush(stderr);
}

ExitStatus CliOutput::Result(const std::string& command, ExitStatus status, const std::string& message,
                             nlohmann::json fields) {
    result_told_ = true;
    if (status == ExitStatus::Passed) {
        Say(message);
    } else {
        Error(message);
    }
    std::string told = message;
    const std::string lost = LostOutput();
    if (!lost.empty()) {
        if (status == ExitStatus::Passed) status = ExitStatus::Failed;
        Error(lost);
        told += "; " + lost;
    }
    Log("exit status " + std::to_string(AsInt(status)));
    if (json_) {
        fields["event"] = "result";
        fields["command"] = command;
        fields["status"] = AsInt(status);
        fields["message"] = told;
        Event(fields);
    }
    // The result object itself is output too: lost, it makes the run a failure.
    if (lost.empty() && stdout_errno_ != 0) {
        Error(LostOutput());
        if (status == ExitStatus::Passed) status = ExitStatus::Failed;
    }
    return status;
}

Confirmation AskToConfirm(const std::string& question) {
    if (!::isatty(STDIN_FILENO) || !::isatty(STDERR_FILENO)) return Confirmation::NoTerminal;
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) return Confirmation::Declined;
    std::transform(answer.begin(), answer.end(), answer.begin(), [](unsigned char c) { return std::tolower(c); });
    return answer == "y" || answer == "yes" ? Confirmation::Confirmed : Confirmation::Declined;
}
