// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The --record file of one vantu-cli run: which run it was (program, arguments, the setup in
// effect, the exit status) over every port access the run made.

#include <memory>
#include <string>

#include "cli/cli_output.h"
#include "cli/cli_request.h"
#include "cli/ec_setup.h"
#include "cli/exit_status.h"
#include "hw/port_recording.h"

class RunRecord {
public:
    /// Starts recording when the request names a record file; otherwise does nothing.
    RunRecord(const CliRequest& request, int argc, char** argv);
    RunRecord(const RunRecord&) = delete;
    RunRecord& operator=(const RunRecord&) = delete;

    /// Adds the setup the run uses to the header.
    void Describe(const EcSetup& setup);
    /// Writes the record with the run's status; a record that cannot be written is told on
    /// standard error and leaves the status as it is.
    void Save(ExitStatus status, CliOutput& out);

private:
    std::unique_ptr<PortRecording> recording_;
    PortRecordHeader header_;
};
