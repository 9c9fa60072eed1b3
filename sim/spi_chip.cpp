// SPDX-License-Identifier: GPL-3.0-or-later
// Behaviour follows common SPI NOR parts: a command is judged when chip select goes
// inactive, commands that write need the write-enable latch, any block-protect bit makes
// the chip ignore erase and program, and while busy only status reads are answered.

#include "sim/spi_chip.h"

#include <algorithm>
#include <cstring>

namespace sim {
namespace {

constexpr uint8_t kWriteStatus = 0x01;
constexpr uint8_t kPageProgram = 0x02;
constexpr uint8_t kRead = 0x03;
constexpr uint8_t kWriteDisable = 0x04;
constexpr uint8_t kReadStatus = 0x05;
constexpr uint8_t kWriteEnable = 0x06;
constexpr uint8_t kFastRead = 0x0B;
constexpr uint8_t kReadStatus2 = 0x35;
constexpr uint8_t kEnableWriteStatus = 0x50;
constexpr uint8_t kErase32K = 0x52;
constexpr uint8_t kJedecId = 0x9F;
constexpr uint8_t kLegacyId = 0xAB;
constexpr uint8_t kAaiWord = 0xAD;
constexpr uint8_t kAaiByte = 0xAF;
constexpr uint8_t kErase1K = 0xD7;
constexpr uint8_t kErase64K = 0xD8;

bool IsStatusRead(uint8_t opcode) { return opcode == kReadStatus || opcode == kReadStatus2; }

}  // namespace

SpiChip::SpiChip(const Config& config, FlashStore& flash)
    : profile_(ProfileOf(config.chip)),
      jedec_id_(JedecIdOf(config)),
      flash_(flash.data()),
      address_mask_(flash.size() - 1),
      busy_reads_program_(config.busy_reads_program),
      busy_reads_erase_(config.busy_reads_erase),
      busy_reads_status_write_(config.busy_reads_status_write),
      stuck_busy_(config.stuck_busy),
      erase_refused_(config.erase_refused),
      stuck_ones_(config.stuck_ones),
      status_reg_(config.initial_status & 0xFC),
      write_enabled_((config.initial_status & kChipWriteEnabled) != 0) {
    // One entry per address, so a lookup finds every stuck bit of it.
    std::sort(stuck_ones_.begin(), stuck_ones_.end());
    std::vector<std::pair<uint32_t, uint8_t>> merged;
    for (const auto& [address, bits] : stuck_ones_) {
        if (!merged.empty() && merged.back().first == address) {
            merged.back().second |= bits;
        } else {
            merged.emplace_back(address, bits);
        }
    }
    stuck_ones_ = std::move(merged);
}

uint8_t SpiChip::status() const {
    // The latch reads as set while an internal write runs; it clears when that write ends.
    if (busy()) return status_reg_ | kChipBusy | kChipWriteEnabled;
    return status_reg_ | (write_enabled_ ? kChipWriteEnabled : 0);
}

void SpiChip::Select() {
    if (selected_) Finish();
    selected_ = true;
    have_opcode_ = false;
    ignored_ = false;
    position_ = 0;
    address_ = 0;
}

void SpiChip::Deselect() {
    if (!selected_) return;
    Finish();
    selected_ = false;
}

void SpiChip::StartOpcode(uint8_t opcode) {
    have_opcode_ = true;
    opcode_ = opcode;
    if (busy() && !IsStatusRead(opcode)) {
        ignored_ = true;
        return;
    }
    if (aai_active_ && opcode != aai_opcode_ && opcode != kWriteDisable && !IsStatusRead(opcode)) {
        ignored_ = true;
        return;
    }
    // 0x50 holds only until the next command other than a status read.
    if (opcode != kWriteStatus && !IsStatusRead(opcode)) status_write_enabled_ = false;
    if (opcode == kPageProgram) page_latch_.fill(0xFF);
}

uint8_t SpiChip::Exchange(uint8_t out) {
    if (!selected_ || ignored_) return 0xFF;
    if (!have_opcode_) {
        StartOpcode(out);
        return 0xFF;
    }
    const uint32_t position = position_++;
    switch (opcode_) {
    case kReadStatus: {
        const uint8_t value = status();
        if (busy_reads_left_ != 0) --busy_reads_left_;
        return value;
    }
    case kFastRead:
    case kRead: {
        const uint32_t address_bytes = 3;
        const uint32_t first_data = opcode_ == kFastRead ? 4 : 3;
        if (position < address_bytes) {
            address_ = ((address_ << 8) | out) & address_mask_;
            return 0xFF;
        }
        if (position < first_data) return 0xFF;
        const uint8_t value = flash_[address_];
        address_ = (address_ + 1) & address_mask_;
        return value;
    }
    case kPageProgram:
        if (position < 3) {
            address_ = ((address_ << 8) | out) & address_mask_;
        } else {
            // The page latch keeps the last byte sent for each page offset.
            const uint32_t page = profile_.page_size;
            page_latch_[(address_ + (position - 3)) % page] = out;
        }
        return 0xFF;
    case kAaiWord:
        return ShiftAutoIncrement(out, 2);
    case kAaiByte:
        return ShiftAutoIncrement(out, 1);
    case kWriteStatus:
        if (position < operands_.size()) operands_[position] = out;
        return 0xFF;
    case kErase32K:
    case kErase64K:
    case kErase1K:
        if (position < 3) address_ = ((address_ << 8) | out) & address_mask_;
        return 0xFF;
    case kJedecId:
        return jedec_id_[position % 4];
    case kLegacyId:
        return position < 3 ? 0xFF : profile_.legacy_id[(position - 3) % 4];
    case kReadStatus2:
        return status2_;
    default:
        return 0xFF;
    }
}

uint8_t SpiChip::ShiftAutoIncrement(uint8_t out, uint32_t width) {
    // Only the first command of a sequence carries an address.
    const uint32_t address_bytes = aai_active_ ? 0 : 3;
    if (position_ - 1 < address_bytes) {
        address_ = ((address_ << 8) | out) & address_mask_;
    } else {
        const uint32_t index = position_ - 1 - address_bytes;
        if (index < width) operands_[index] = out;
    }
    return 0xFF;
}

void SpiChip::Finish() {
    if (!have_opcode_ || ignored_) return;
    switch (opcode_) {
    case kWriteEnable:
        if (position_ == 0) write_enabled_ = true;
        break;
    case kWriteDisable:
        if (position_ == 0) {
            write_enabled_ = false;
            aai_active_ = false;
        }
        break;
    case kEnableWriteStatus:
        if (position_ == 0) status_write_enabled_ = true;
        break;
    case kWriteStatus:
        FinishStatusWrite();
        break;
    case kPageProgram:
        FinishPageProgram();
        break;
    case kAaiWord:
        FinishAutoIncrement(2);
        break;
    case kAaiByte:
        FinishAutoIncrement(1);
        break;
    case kErase32K:
        if (takes(kTakesErase32K)) FinishErase(32u << 10);
        break;
    case kErase64K:
        if (takes(kTakesErase64K)) FinishErase(64u << 10);
        break;
    case kErase1K:
        if (takes(kTakesErase1K)) FinishErase(1u << 10);
        break;
    default:
        break;
    }
}

void SpiChip::FinishStatusWrite() {
    if (position_ == 0 || !(write_enabled_ || status_write_enabled_)) return;
    // Bits 0 and 1 are not writable.
    status_reg_ = operands_[0] & 0xFC;
    if (position_ >= 2) status2_ = operands_[1];
    write_enabled_ = false;
    status_write_enabled_ = false;
    busy_reads_left_ = busy_reads_status_write_;
}

void SpiChip::FinishPageProgram() {
    if (position_ <= 3 || !write_enabled_ || write_protected() || !takes(kTakesPageProgram)) return;
    const uint32_t page = profile_.page_size;
    const uint32_t base = address_ & ~(page - 1);
    for (uint32_t i = 0; i < page; ++i) ProgramByte(base + i, page_latch_[i]);
    write_enabled_ = false;
    busy_reads_left_ = busy_reads_program_;
}

void SpiChip::FinishAutoIncrement(uint32_t width) {
    const uint16_t needed = width == 2 ? kTakesAaiWord : kTakesAaiByte;
    if (!takes(needed)) return;
    if (!aai_active_) {
        // The first command: address and data, with the latch set and protection off.
        if (position_ != 3 + width || !write_enabled_ || write_protected()) return;
        aai_active_ = true;
        aai_opcode_ = opcode_;
        aai_address_ = width == 2 ? (address_ & ~1u) : address_;
    } else if (position_ != width) {
        return;  // a command without its data (the last one before 0x04) programs nothing
    }
    for (uint32_t i = 0; i < width; ++i) ProgramByte(aai_address_ + i, operands_[i]);
    aai_address_ = (aai_address_ + width) & address_mask_;
    busy_reads_left_ = busy_reads_program_;
}

void SpiChip::FinishErase(uint32_t block_size) {
    if (position_ != 3 || !write_enabled_ || write_protected()) return;
    const uint32_t size = std::min(block_size, address_mask_ + 1);
    const uint32_t base = address_ & ~(size - 1);
    if (!erase_refused_) std::memset(flash_ + base, 0xFF, size);
    write_enabled_ = false;
    busy_reads_left_ = busy_reads_erase_;
}

void SpiChip::ProgramByte(uint32_t address, uint8_t value) {
    address &= address_mask_;
    uint8_t stuck = 0;
    if (!stuck_ones_.empty()) {
        auto it = std::lower_bound(stuck_ones_.begin(), stuck_ones_.end(),
                                   std::pair<uint32_t, uint8_t>{address, 0});
        if (it != stuck_ones_.end() && it->first == address) stuck = it->second;
    }
    // Programming only clears bits.
    flash_[address] &= static_cast<uint8_t>(value | stuck);
}

}  // namespace sim
