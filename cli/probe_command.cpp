// SPDX-License-Identifier: GPL-3.0-or-later
// probe: what answers at the ports, without writing anything to the flash.

#include <cstdio>

#include "cli/chip_report.h"
#include "cli/commands.h"
#include "cli/ec_session.h"
#include "cli/words.h"
#include "flash/read_session.h"
#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/hw_fault.h"
#include "hw/super_io.h"
#include "version/fw_version.h"

namespace {

ExitStatus Probe(const EcSetup& setup, CliOutput& out) {
    nlohmann::json fields = {
        {"data_port", setup.data_port},       {"command_port", setup.command_port()},
        {"chip_id", nullptr},                 {"firmware_version", nullptr},
    };
    const std::string ports = "data port " + HexText(setup.data_port) + ", command port " +
                              HexText(setup.command_port());

    const EcPorts where = EcSetupPorts(setup);
    const uint16_t superio_id = SIO_ReadChipId(where);
    fields["superio_chip_id"] = HexText(superio_id, 4);
    out.Say("Super I/O chip ID " + HexText(superio_id, 4) + " (index port " +
            HexText(setup.sio_index_port) + ")");

    EcSession nested(where);  // within the command's own session
    EcChannel& ec = nested.channel();
    const bool answers = ec.StatusPortAnswers() && ec.ProbeAck();
    fields["ec_answers"] = answers;
    if (!answers) {
        return out.Result("probe", ExitStatus::Refused,
                          "no EC answers at " + ports + "; check --port (or --settings) and that this is the EC's pair",
                          fields);
    }
    out.Say("EC answers at " + ports);

    // The version first: the EC restarts its firmware once it leaves follow mode.
    UiSettings version_settings = setup.settings;
    version_settings.FwVersionShow = 1;
    std::string version;
    if (FW_ReadVersion(where, version_settings, version) == FwReadResult::Read) {
        fields["firmware_version"] = version;
        out.Say("running firmware version " + version);
    }

    const ReadSessionResult session = RunReadSession(where, [](EcChannel&, const ChipRecord&) {});
    fields["follow_ack"] = session.reply.answered ? nlohmann::json(HexText(session.reply.byte, 2)) : nlohmann::json(nullptr);
    if (session.status == ReadSessionStatus::Busy) return out.Result("probe", ExitStatus::Refused, session.refusal, fields);
    if (session.status == ReadSessionStatus::NoAcknowledge) {
        return out.Result("probe", ExitStatus::Refused, NoFollowModeText(session.reply), fields);
    }
    if (session.status == ReadSessionStatus::Faulted) {
        return out.Result("probe", ExitStatus::Failed,
                          std::string("the flash chip could not be identified: ") + HW_FaultText(session.fault), fields);
    }
    fields.update(ChipJson(*session.chip));
    return out.Result("probe", ExitStatus::Passed, ChipWords(*session.chip), fields);
}

}  // namespace

ExitStatus RunProbe(const CliRequest&, const EcSetup& setup, CliOutput& out) {
    // The probe tells what it found also when no EC answers.
    SessionPlan plan;
    plan.command = "probe";
    plan.needs_ec_answer = false;
    return RunEcSession(plan, setup, out, [&] { return Probe(setup, out); });
}
