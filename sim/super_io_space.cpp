// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/super_io_space.h"

namespace sim {
namespace {

constexpr uint8_t kRegExit = 0x02;
constexpr uint8_t kRegLdn = 0x07;
constexpr uint8_t kRegChipIdHigh = 0x20;
constexpr uint8_t kRegChipIdLow = 0x21;
constexpr uint8_t kRegActivate = 0x30;
constexpr uint8_t kRegBase0High = 0x60;
constexpr uint8_t kRegBase1Low = 0x63;
constexpr uint8_t kBramLdn = 0x10;

}  // namespace

SuperIoSpace::SuperIoSpace(const Config& config)
    : index_port_(config.sio_index_port),
      chip_id_(config.chip_id),
      // The last key byte tells the two index ports apart.
      key_{0x87, 0x01, 0x55, static_cast<uint8_t>(config.sio_index_port == 0x2E ? 0x55 : 0xAA)},
      bram_base_(config.bram_base),
      bram_(config.bram) {}

bool SuperIoSpace::In(uint16_t port, uint8_t& value) {
    if (port == index_port_) {
        value = config_mode_ ? index_ : 0xFF;
        return true;
    }
    if (port == static_cast<uint16_t>(index_port_ + 1)) {
        value = config_mode_ ? ReadRegister() : 0xFF;
        return true;
    }
    const int bank = BramBank(port);
    if (bank < 0) return false;
    value = port == bram_base_[bank] ? bram_index_[bank] : bram_[bram_index_[bank]];
    return true;
}

bool SuperIoSpace::Out(uint16_t port, uint8_t value) {
    if (port == index_port_) {
        if (config_mode_) {
            index_ = value;
        } else {
            FeedKey(value);
        }
        return true;
    }
    if (port == static_cast<uint16_t>(index_port_ + 1)) {
        if (config_mode_) WriteRegister(value);
        return true;
    }
    const int bank = BramBank(port);
    if (bank < 0) return false;
    if (port == bram_base_[bank]) {
        bram_index_[bank] = value;
    } else {
        bram_[bram_index_[bank]] = value;
    }
    return true;
}

void SuperIoSpace::FeedKey(uint8_t value) {
    if (value == key_[key_matched_]) {
        if (++key_matched_ == key_.size()) {
            config_mode_ = true;
            key_matched_ = 0;
        }
    } else {
        key_matched_ = value == key_[0] ? 1 : 0;
    }
}

uint8_t SuperIoSpace::ReadRegister() const {
    switch (index_) {
    case kRegLdn:
        return ldn_;
    case kRegChipIdHigh:
        return static_cast<uint8_t>(chip_id_ >> 8);
    case kRegChipIdLow:
        return static_cast<uint8_t>(chip_id_);
    default:
        break;
    }
    if (ldn_ != kBramLdn) return 0x00;
    if (index_ == kRegActivate) return bram_active_ ? 0x01 : 0x00;
    if (index_ >= kRegBase0High && index_ <= kRegBase1Low) {
        const uint16_t base = bram_base_[(index_ - kRegBase0High) / 2];
        return static_cast<uint8_t>((index_ & 1) ? base : base >> 8);
    }
    return 0x00;
}

void SuperIoSpace::WriteRegister(uint8_t value) {
    if (index_ == kRegExit) {
        if (value == 0x02) config_mode_ = false;
        return;
    }
    if (index_ == kRegLdn) {
        ldn_ = value;
        return;
    }
    if (ldn_ != kBramLdn) return;
    if (index_ == kRegActivate) {
        bram_active_ = (value & 0x01) != 0;
    } else if (index_ >= kRegBase0High && index_ <= kRegBase1Low) {
        uint16_t& base = bram_base_[(index_ - kRegBase0High) / 2];
        base = (index_ & 1) ? static_cast<uint16_t>((base & 0xFF00) | value)
                            : static_cast<uint16_t>((base & 0x00FF) | (value << 8));
    }
}

int SuperIoSpace::BramBank(uint16_t port) const {
    if (!bram_active_) return -1;
    for (int bank = 0; bank < 2; ++bank) {
        if (port == bram_base_[bank] || port == static_cast<uint16_t>(bram_base_[bank] + 1)) {
            return bank;
        }
    }
    return -1;
}

}  // namespace sim
