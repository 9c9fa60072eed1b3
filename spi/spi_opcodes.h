#pragma once
// Serial-flash opcodes sent over the follow-mode link.

#include <cstdint>

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
