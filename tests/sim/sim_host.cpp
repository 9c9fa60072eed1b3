// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim_host.h"

#include <gtest/gtest.h>

#include "hw/port_io.h"

namespace simtest {

SimHost::SimHost(sim::Device& device)
    : device_(&device),
      status_port_(device.config().ec_status_port),
      data_port_(device.config().ec_data_port) {}

SimHost::SimHost(uint16_t status_port, uint16_t data_port)
    : device_(nullptr), status_port_(status_port), data_port_(data_port) {}

uint8_t SimHost::In(uint16_t port) { return device_ ? device_->In(port) : IO_In(port); }

void SimHost::Out(uint16_t port, uint8_t value) {
    if (device_) {
        device_->Out(port, value);
    } else {
        IO_Out(port, value);
    }
}

bool SimHost::WaitIbfClear(uint32_t max_reads) {
    for (uint32_t i = 0; i < max_reads; ++i) {
        if ((Status() & 0x02) == 0) return true;
    }
    ADD_FAILURE() << "IBF never cleared";
    return false;
}

bool SimHost::WaitObf(uint32_t max_reads) {
    for (uint32_t i = 0; i < max_reads; ++i) {
        if (Status() & 0x01) return true;
    }
    ADD_FAILURE() << "OBF never set";
    return false;
}

bool SimHost::WriteCmd(uint8_t value) {
    if (!WaitIbfClear()) return false;
    Out(status_port_, value);
    return WaitIbfClear();
}

bool SimHost::WriteData(uint8_t value) {
    if (!WaitIbfClear()) return false;
    Out(data_port_, value);
    return WaitIbfClear();
}

uint8_t SimHost::ReadData() {
    if (!WaitObf()) return 0xEE;
    return In(data_port_);
}

bool SimHost::EnterFollow(uint8_t& ack) {
    WriteCmd(0xDC);
    for (int i = 0; i < 1000; ++i) {
        if (Status() & 0x01) {
            ack = In(data_port_);
            return true;
        }
    }
    ack = In(data_port_);
    return false;
}

void SimHost::Opcode(uint8_t opcode) {
    WriteCmd(2);
    WriteCmd(opcode);
}

void SimHost::Write(uint8_t value) {
    WriteCmd(3);
    WriteCmd(value);
}

uint8_t SimHost::Read() {
    WriteCmd(4);
    return ReadData();
}

std::vector<uint8_t> SimHost::Transaction(uint8_t opcode, std::initializer_list<uint8_t> out,
                                          uint32_t reads) {
    Select();
    Opcode(opcode);
    for (uint8_t value : out) Write(value);
    std::vector<uint8_t> in;
    for (uint32_t i = 0; i < reads; ++i) in.push_back(Read());
    Deselect();
    return in;
}

uint8_t SimHost::ReadStatus() { return Transaction(0x05, {}, 1)[0]; }

bool SimHost::WaitReady(uint32_t max_reads) {
    Select();
    Opcode(0x05);
    for (uint32_t i = 0; i < max_reads; ++i) {
        if ((Read() & 0x01) == 0) {
            Deselect();
            return true;
        }
    }
    Deselect();
    ADD_FAILURE() << "chip never ready";
    return false;
}

void SimHost::WriteEnable() {
    WaitReady();
    Transaction(0x06);
}

void SimHost::SetStatus(uint8_t value) {
    WriteEnable();
    Transaction(0x01, {value});
    WaitReady();
}

void SimHost::Erase(uint8_t opcode, uint32_t address) {
    WriteEnable();
    Transaction(opcode, {uint8_t(address >> 16), uint8_t(address >> 8), uint8_t(address)});
    WaitReady();
}

void SimHost::PageProgram(uint32_t address, const std::vector<uint8_t>& data) {
    WriteEnable();
    Select();
    Opcode(0x02);
    Write(uint8_t(address >> 16));
    Write(uint8_t(address >> 8));
    Write(uint8_t(address));
    for (uint8_t value : data) Write(value);
    Deselect();
    WaitReady();
}

std::vector<uint8_t> SimHost::FastRead(uint32_t address, uint32_t count) {
    Select();
    Opcode(0x0B);
    Write(uint8_t(address >> 16));
    Write(uint8_t(address >> 8));
    Write(uint8_t(address));
    Write(0x00);
    std::vector<uint8_t> in;
    for (uint32_t i = 0; i < count; ++i) in.push_back(Read());
    Deselect();
    return in;
}

sim::Config SmallConfig(sim::ChipKind chip) {
    sim::Config config;
    config.chip = chip;
    config.flash_size = 128u << 10;
    config.initial_status = 0x00;
    return config;
}

}  // namespace simtest
