// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/read_session.h"

#include "hw/ec_channel.h"
#include "hw/ec_session.h"
#include "hw/port_io.h"
#include "spi/chip_id.h"

ReadSessionResult RunReadSession(const std::function<void(const ChipRecord& chip)>& body) {
    ReadSessionResult result;
    const EcSession session;
    if (!session.open()) {
        result.status = ReadSessionStatus::Busy;
        result.refusal = session.RefusalText();
        return result;
    }
    HW_ClearFault();
    // A byte the EC left behind would otherwise be taken for the follow-mode reply.
    if ((IO_In(g_StatusPort) & kStatusOBF) != 0) IO_In(g_DataPort);
    result.reply = EC_RequestFollowMode();
    if (!result.reply.entered()) {
        // A late or garbled reply may still have left the EC in follow mode.
        result.status = ReadSessionStatus::NoAcknowledge;
        EC_WriteCmd(kReadEndCommand);
        HW_ClearFault();
        return result;
    }
    const ChipRecord chip = SPI_ReadJedecId();
    if (!HW_Faulted()) {
        result.chip = chip;
        body(chip);
    }
    if (HW_Faulted()) {
        result.status = ReadSessionStatus::Faulted;
        result.fault = g_HwFault;
        HW_ClearFault();  // one more try of the end command, for an EC that still listens
    }
    EC_WriteCmd(kReadEndCommand);
    HW_ClearFault();
    return result;
}
