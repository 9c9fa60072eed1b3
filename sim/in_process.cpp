// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/in_process.h"

#include <utility>

namespace sim {
namespace {

// The one device the trampolines forward to; guards nest, the innermost wins.
Device* g_Installed = nullptr;

short PORT_IO_CALL InstalledInp32(short port) {
    if (g_Installed == nullptr) return 0xFF;
    return g_Installed->In(static_cast<uint16_t>(port));
}

void PORT_IO_CALL InstalledOut32(short port, short data) {
    if (g_Installed != nullptr) g_Installed->Out(static_cast<uint16_t>(port), static_cast<uint8_t>(data));
}

int PORT_IO_CALL InstalledIsDriverOpen() {
    return g_Installed != nullptr && g_Installed->config().driver_open ? 1 : 0;
}

int PORT_IO_CALL InstalledDriverErrno() {
    return g_Installed != nullptr ? g_Installed->config().driver_errno.value_or(-1) : -1;
}

// The optional errno entry is there only when the device's configuration names an errno,
// so both kinds of library can be had in-process.
PortIoEntries InstalledEntries(const Device& device) {
    PortIoEntries entries;
    entries.out32 = InstalledOut32;
    entries.inp32 = InstalledInp32;
    entries.is_driver_open = InstalledIsDriverOpen;
    if (device.config().driver_errno) entries.last_errno = InstalledDriverErrno;
    return entries;
}

}  // namespace

InProcess::InProcess(Device& device)
    : previous_(std::exchange(g_Installed, &device)), io_(InstalledEntries(device)) {}

InProcess::~InProcess() { g_Installed = previous_; }

}  // namespace sim
