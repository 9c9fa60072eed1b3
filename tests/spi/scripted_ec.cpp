// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_ec.h"

#include "hw/ec_channel.h"
#include "sim/sim_device.h"
#include "spi_test_support.h"

namespace spi_test {

namespace {

ScriptedEc* g_Current = nullptr;

}  // namespace

ScriptedEc::ScriptedEc(std::vector<uint8_t> replies, uint8_t after_script)
    : replies_(replies.begin(), replies.end()),
      after_script_(after_script),
      io_(PortIoEntries{&ScriptedEc::Out32, &ScriptedEc::Inp32, &ScriptedEc::DriverOpen}) {
    g_Current = this;
}

ScriptedEc::~ScriptedEc() { g_Current = nullptr; }

void PORT_IO_CALL ScriptedEc::Out32(short port, short value) {
    if (static_cast<uint16_t>(port) == static_cast<uint16_t>(EcPorts{}.command)) {
        g_Current->command_writes_.push_back(static_cast<uint8_t>(value));
    }
}

short PORT_IO_CALL ScriptedEc::Inp32(short port) {
    if (static_cast<uint16_t>(port) == static_cast<uint16_t>(EcPorts{}.command)) return kStatusOBF;
    if (static_cast<uint16_t>(port) != static_cast<uint16_t>(EcPorts{}.data)) return 0xFF;
    ++g_Current->data_reads_;
    if (g_Current->replies_.empty()) return g_Current->after_script_;
    const uint8_t value = g_Current->replies_.front();
    g_Current->replies_.pop_front();
    return value;
}

int PORT_IO_CALL ScriptedEc::DriverOpen() { return 1; }

std::string ScriptedEc::Ops() const {
    std::vector<sim::PortOp> trace;
    for (uint8_t value : command_writes_) trace.push_back({static_cast<uint16_t>(EcPorts{}.command), value, true});
    return Join(LinkOps(trace, static_cast<uint16_t>(EcPorts{}.command)));
}

}  // namespace spi_test
