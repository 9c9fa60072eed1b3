// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The follow-mode link: every SPI step is one EC command, and operand bytes travel through
// the command port too. Nothing is ever written to the data port here. Beside it, the
// serial-flash opcodes sent over it and the bounded status poll that every wait uses.

#include <cstdint>

#include "hw/ec_channel.h"

namespace follow_cmd {
inline constexpr uint8_t kSelect = 1;
inline constexpr uint8_t kOpcode = 2;
inline constexpr uint8_t kWrite = 3;
inline constexpr uint8_t kRead = 4;
inline constexpr uint8_t kDeselect = 5;
}  // namespace follow_cmd

/// Begins an SPI transaction; an open one is ended first by the EC.
inline void FM_Select(EcChannel& ec) { ec.WriteCmd(follow_cmd::kSelect); }
/// Shifts an opcode out within the open transaction.
inline void FM_Opcode(EcChannel& ec, uint8_t opcode) {
    ec.WriteCmd(follow_cmd::kOpcode);
    ec.WriteCmd(opcode);
}
/// Shifts an address, dummy or data byte out.
inline void FM_Write(EcChannel& ec, uint8_t value) {
    ec.WriteCmd(follow_cmd::kWrite);
    ec.WriteCmd(value);
}
/// Shifts one byte in; 0x00 when the EC channel has faulted (callers check ec.faulted()).
inline uint8_t FM_Read(EcChannel& ec) {
    ec.WriteCmd(follow_cmd::kRead);
    return ec.ReadData();
}
/// Ends the transaction; harmless when none is open.
inline void FM_Deselect(EcChannel& ec) { ec.WriteCmd(follow_cmd::kDeselect); }

// Serial-flash opcodes.
namespace spi_op {
inline constexpr uint8_t kWriteStatus = 0x01;
inline constexpr uint8_t kPageProgram = 0x02;
inline constexpr uint8_t kWriteDisable = 0x04;
inline constexpr uint8_t kReadStatus = 0x05;
inline constexpr uint8_t kWriteEnable = 0x06;
inline constexpr uint8_t kFastRead = 0x0B;
inline constexpr uint8_t kEnableWriteStatus = 0x50;
inline constexpr uint8_t kBlockErase52 = 0x52;
inline constexpr uint8_t kJedecId = 0x9F;
inline constexpr uint8_t kLegacyId = 0xAB;
inline constexpr uint8_t kAaiWordProgram = 0xAD;
inline constexpr uint8_t kAaiByteProgram = 0xAF;
inline constexpr uint8_t kSectorErase1K = 0xD7;
inline constexpr uint8_t kBlockEraseD8 = 0xD8;
}  // namespace spi_op

namespace status_value {
inline constexpr uint8_t kUnprotected = 0x00;
inline constexpr uint8_t kProtected = 0x0C;  // block-protect bits 2 and 3
}  // namespace status_value

// A status poll re-reads the status byte inside one open 0x05 transaction. It is bounded,
// because a dead chip or EC must end the run with a fault instead of a hang.

/// Reads status bytes until `done(status)` holds (true). False at once when a fault is set,
/// or after raising HwFault::ChipNotReady once more than kChipReadyBoundMs have passed.
template <typename Done>
bool SPI_PollStatus(EcChannel& ec, Done&& done) {
    return ec.PollUntil(kChipReadyBoundMs, HwFault::ChipNotReady, [&] {
        const uint8_t status = FM_Read(ec);
        // A faulted channel answers 0x00, which would look like "ready".
        return !ec.faulted() && done(status);
    });
}

namespace status_bits {
inline constexpr uint8_t kBusy = 0x01;          // write or erase in progress
inline constexpr uint8_t kWriteEnabled = 0x02;  // write-enable latch
}  // namespace status_bits
