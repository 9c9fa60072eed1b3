// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/read_session.h"

#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "spi/chip_id.h"

ReadSessionResult RunReadSession(const EcPorts& ports,
                                 const std::function<void(EcChannel& ec, const ChipRecord& chip)>& body) {
    ReadSessionResult result;
    EcSession session(ports);
    if (!session.open()) {
        result.status = ReadSessionStatus::Busy;
        result.refusal = session.RefusalText();
        return result;
    }
    EcChannel& ec = session.channel();
    // A byte the EC left behind would otherwise be taken for the follow-mode reply.
    ec.DrainStaleByte();
    result.reply = ec.RequestFollowMode();
    if (!result.reply.entered()) {
        // A late or garbled reply may still have left the EC in follow mode.
        result.status = ReadSessionStatus::NoAcknowledge;
        ec.WriteCmd(kReadEndCommand);
        ec.ClearFault();
        return result;
    }
    const ChipRecord chip = SPI_ReadJedecId(ec);
    if (!ec.faulted()) {
        result.chip = chip;
        body(ec, chip);
    }
    if (ec.faulted()) {
        result.status = ReadSessionStatus::Faulted;
        result.fault = ec.fault();
        ec.ClearFault();  // one more try of the end command, for an EC that still listens
    }
    ec.WriteCmd(kReadEndCommand);
    ec.ClearFault();
    return result;
}
