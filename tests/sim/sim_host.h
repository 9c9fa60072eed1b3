// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small host for driving the simulated device in tests: the EC handshakes and the
// follow-mode link, with every wait bounded so a broken device fails the test instead of
// hanging it. It reaches the device directly or through the IO_In/IO_Out seam.

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "sim/sim_device.h"

namespace simtest {

class SimHost {
public:
    /// Talks to `device` directly through Device::In/Out.
    explicit SimHost(sim::Device& device);
    /// Talks through IO_In/IO_Out to whatever is installed there (a sim::InProcess).
    SimHost(uint16_t status_port, uint16_t data_port);

    uint8_t In(uint16_t port);
    void Out(uint16_t port, uint8_t value);

    uint8_t Status() { return In(status_port_); }
    /// Status reads until IBF clears; false (and a test failure) past `max_reads`.
    bool WaitIbfClear(uint32_t max_reads = 1000);
    bool WaitObf(uint32_t max_reads = 1000);
    bool WriteCmd(uint8_t value);
    bool WriteData(uint8_t value);
    /// OBF wait, then the data port; 0xEE (and a failure) when OBF never came.
    uint8_t ReadData();

    /// 0xDC and the reply; false when no reply came.
    bool EnterFollow(uint8_t& ack);

    // Follow-mode link.
    void Select() { WriteCmd(1); }
    void Opcode(uint8_t opcode);
    void Write(uint8_t value);
    uint8_t Read();
    void Deselect() { WriteCmd(5); }

    // SPI sequences as a host would send them.
    /// One complete transaction: select, opcode, bytes out, `reads` bytes in, deselect.
    std::vector<uint8_t> Transaction(uint8_t opcode, std::initializer_list<uint8_t> out = {},
                                     uint32_t reads = 0);
    uint8_t ReadStatus();
    /// Polls status until not busy; false past `max_reads`.
    bool WaitReady(uint32_t max_reads = 1000);
    void WriteEnable();
    void SetStatus(uint8_t value);  // 0x06, 0x01 value, wait
    void Unprotect() { SetStatus(0x00); }
    void Erase(uint8_t opcode, uint32_t address);  // write enable, erase, wait
    void PageProgram(uint32_t address, const std::vector<uint8_t>& data);
    std::vector<uint8_t> FastRead(uint32_t address, uint32_t count);

private:
    sim::Device* device_;
    uint16_t status_port_;
    uint16_t data_port_;
};

/// A small device for tests (128 KB flash, unprotected unless asked).
sim::Config SmallConfig(sim::ChipKind chip = sim::ChipKind::Winbond);

}  // namespace simtest
