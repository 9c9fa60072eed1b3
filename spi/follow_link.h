#pragma once
// The follow-mode link: every SPI step is one EC command, and operand bytes travel through
// the command port too. Nothing is ever written to the data port here.

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
inline void FM_Select() { EC_WriteCmd(follow_cmd::kSelect); }
/// Shifts an opcode out within the open transaction.
inline void FM_Opcode(uint8_t opcode) {
    EC_WriteCmd(follow_cmd::kOpcode);
    EC_WriteCmd(opcode);
}
/// Shifts an address, dummy or data byte out.
inline void FM_Write(uint8_t value) {
    EC_WriteCmd(follow_cmd::kWrite);
    EC_WriteCmd(value);
}
/// Shifts one byte in; 0x00 when the EC channel has faulted (callers check HW_Faulted()).
inline uint8_t FM_Read() {
    EC_WriteCmd(follow_cmd::kRead);
    return EC_ReadData();
}
/// Ends the transaction; harmless when none is open.
inline void FM_Deselect() { EC_WriteCmd(follow_cmd::kDeselect); }
