#include "cli/cli_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "cli/command_line.h"

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
    log_ = std::fopen(log_path_.c_str(), "a");
    if (log_ == nullptr) {
        error = "cannot open the log file " + log_path_ + ": " + std::strerror(errno) +
                "; give --log a file in a writable directory";
        return false;
    }
    return true;
}

void CliOutput::Log(const std::string& line) {
    if (log_ == nullptr) return;
    std::fprintf(log_, "%s %s\n", TimeStamp().c_str(), line.c_str());
    std::fflush(log_);
}

void CliOutput::EndProgressLine() { progress_.Finish(); }

void CliOutput::Event(const nlohmann::json& object) {
    if (!json_) return;
    std::fprintf(stdout, "%s\n", object.dump().c_str());
    std::fflush(stdout);
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
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

void CliOutput::Error(const std::string& line) {
    Log("error: " + line);
    EndProgressLine();
    std::fprintf(stderr, "%s: %s\n", kProgramName, line.c_str());
    std::fflush(stderr);
}

ExitStatus CliOutput::Result(const std::string& command, ExitStatus status, const std::string& message,
                             nlohmann::json fields) {
    if (status == ExitStatus::Passed) {
        Say(message);
    } else {
        Error(message);
    }
    Log("exit status " + std::to_string(AsInt(status)));
    if (json_) {
        fields["event"] = "result";
        fields["command"] = command;
        fields["status"] = AsInt(status);
        fields["message"] = message;
        Event(fields);
    }
    return status;
}
