// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An SPI NOR flash chip as the EC's follow mode drives it: chip select, bytes shifted out
// and in, and the internal writes that start when chip select goes inactive.

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/flash_store.h"
#include "sim/sim_device.h"

namespace sim {

inline constexpr uint8_t kChipBusy = 0x01;
inline constexpr uint8_t kChipWriteEnabled = 0x02;
inline constexpr uint8_t kChipBlockProtect = 0x3C;  // BP bits 2 to 5

class SpiChip {
public:
    SpiChip(const Config& config, FlashStore& flash);

    /// Chip select active; an open transaction is ended first, as a deselect would.
    void Select();
    /// Chip select inactive: a finished write, program or erase command starts here.
    /// Nothing happens when no transaction is open.
    void Deselect();
    /// Shifts one byte out to the chip and returns the byte it shifted back (0xFF when
    /// the chip drives nothing: not selected, ignored command, or an input phase).
    uint8_t Exchange(uint8_t out);

    bool selected() const { return selected_; }
    /// The status register as the next 0x05 read would show it, without counting the read.
    uint8_t status() const;
    uint8_t status2() const { return status2_; }
    bool auto_increment_active() const { return aai_active_; }

private:
    bool busy() const { return stuck_busy_ || busy_reads_left_ != 0; }
    bool takes(uint16_t opcode_bit) const { return (profile_.opcodes & opcode_bit) != 0; }
    bool write_protected() const { return (status_reg_ & kChipBlockProtect) != 0; }
    void StartOpcode(uint8_t opcode);
    void Finish();
    void FinishStatusWrite();
    void FinishPageProgram();
    void FinishAutoIncrement(uint32_t width);
    void FinishErase(uint32_t block_size);
    void ProgramByte(uint32_t address, uint8_t value);
    uint8_t ShiftAutoIncrement(uint8_t out, uint32_t width);

    const ChipProfile& profile_;
    std::array<uint8_t, 4> jedec_id_;
    uint8_t* flash_;
    uint32_t address_mask_;
    uint32_t busy_reads_program_;
    uint32_t busy_reads_erase_;
    uint32_t busy_reads_status_write_;
    bool stuck_busy_;
    bool erase_refused_;
    std::vector<std::pair<uint32_t, uint8_t>> stuck_ones_;  // sorted by address

    // Persistent chip state.
    uint8_t status_reg_;  // bits 2 to 7; bits 0 and 1 are derived
    uint8_t status2_ = 0;
    bool write_enabled_ = false;
    bool status_write_enabled_ = false;  // 0x50 lets the next 0x01 through without the latch
    uint32_t busy_reads_left_ = 0;
    bool aai_active_ = false;
    uint8_t aai_opcode_ = 0;
    uint32_t aai_address_ = 0;

    // The open transaction.
    bool selected_ = false;
    bool have_opcode_ = false;
    bool ignored_ = false;  // the chip took no notice of this command
    uint8_t opcode_ = 0;
    uint32_t position_ = 0;  // bytes shifted after the opcode
    uint32_t address_ = 0;
    std::array<uint8_t, 2> operands_{};  // status bytes or auto-increment data
    std::array<uint8_t, 256> page_latch_{};
};

}  // namespace sim
