// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/run_record.h"

#include "cli/command_line.h"
#include "cli/words.h"

namespace {

// Until the command's own end: a run a held signal ends is saved with this status.
constexpr const char* kEndedBySignal = "ended by a signal";

}  // namespace

RunRecord::RunRecord(const CliRequest& request, int argc, char** argv) {
    if (request.record_file.empty()) return;
    recording_ = std::make_unique<PortRecording>(request.record_file);
    header_.emplace_back("program", std::string(kProgramName) + " " + VANTU_VERSION);
    for (int i = 1; i < argc; ++i) header_.emplace_back("argument", argv[i]);
}

void RunRecord::Describe(const EcSetup& setup) {
    if (!recording_) return;
    header_.emplace_back("settings", "data port " + HexText(setup.data_port) + ", command port " +
                                         HexText(setup.command_port()) + ", Super I/O index port " +
                                         HexText(setup.sio_index_port) + ", BRAM bank " +
                                         std::to_string(setup.bram_bank) + ", end command " +
                                         HexText(setup.end_cmd & 0xFF, 2));
    PortRecordHeader until_the_end = header_;
    until_the_end.emplace_back("exit status", kEndedBySignal);
    recording_->SetHeader(std::move(until_the_end));
}

void RunRecord::Save(ExitStatus status, CliOutput& out) {
    if (!recording_) return;
    PortRecordHeader header = header_;
    header.emplace_back("exit status", std::to_string(AsInt(status)));
    std::string error;
    if (!recording_->Save(header, error)) out.Error(error);
}
