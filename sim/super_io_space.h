// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The EC chip's Super I/O configuration space behind its index/data pair, and the BRAM
// index/data pairs at the base addresses of logical device 0x10.

#include <array>
#include <cstdint>

#include "sim/sim_device.h"

namespace sim {

class SuperIoSpace {
public:
    explicit SuperIoSpace(const Config& config);

    /// True when the port belongs to this space; `value` then holds the byte read.
    bool In(uint16_t port, uint8_t& value);
    /// True when the port belongs to this space.
    bool Out(uint16_t port, uint8_t value);

    bool in_config_mode() const { return config_mode_; }
    bool bram_active() const { return bram_active_; }

private:
    uint8_t ReadRegister() const;
    void WriteRegister(uint8_t value);
    void FeedKey(uint8_t value);
    int BramBank(uint16_t port) const;  // -1 when the port is no BRAM port

    uint16_t index_port_;
    uint16_t chip_id_;
    std::array<uint8_t, 4> key_;
    uint32_t key_matched_ = 0;
    bool config_mode_ = false;
    uint8_t index_ = 0;
    uint8_t ldn_ = 0;
    bool bram_active_ = false;
    std::array<uint16_t, 2> bram_base_;
    std::array<uint8_t, 2> bram_index_{};
    std::array<uint8_t, 256> bram_;
};

}  // namespace sim
