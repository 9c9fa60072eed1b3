// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Follow mode for reading only: the chip is identified and read, nothing is erased or
// written, and the EC is released with the checksum tool's end command.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "hw/ec_channel.h"
#include "hw/hw_fault.h"
#include "spi/chip_id.h"

/// The end command of a session that only reads, as the ROM checksum sends it.
inline constexpr uint8_t kReadEndCommand = 0xFC;

enum class ReadSessionStatus {
    Done,           // `body` ran to its end
    Busy,           // another EC session is open: no port touched; `refusal` says whose
    NoAcknowledge,  // the EC did not answer 0x33: only the end command was sent
    Faulted,        // a bounded wait expired (in the identification or in `body`)
};

struct ReadSessionResult {
    ReadSessionStatus status = ReadSessionStatus::Done;
    FollowModeReply reply;          // the EC's answer to the follow-mode request
    std::string refusal;            // Busy: why
    HwFault fault = HwFault::None;  // the wait that expired
    std::optional<ChipRecord> chip; // the identified chip, once identified
};

/// Within an EC session of its own: drains a byte the EC left behind, asks for follow mode,
/// identifies the chip, runs `body` with the session's channel and the chip's record unless the
/// identification faulted, and sends kReadEndCommand whatever the follow-mode reply was, once
/// more after a fault. `body` checks ec.faulted() itself and stops when it is set.
ReadSessionResult RunReadSession(const EcPorts& ports,
                                 const std::function<void(EcChannel& ec, const ChipRecord& chip)>& body);
