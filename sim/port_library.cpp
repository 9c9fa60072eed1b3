// SPDX-License-Identifier: GPL-3.0-or-later
// The drop-in port library: the entry points of the real one, answered by a
// simulated device configured from the file named by VANTU_SIM_CONFIG.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>
#include <string>

#include "hw/port_io.h"
#include "sim/sim_device.h"

// The ELF build hides everything else by default; the DLL's exports are listed in its .def file.
#ifdef _WIN32
#define PORT_LIBRARY_EXPORT
#else
#define PORT_LIBRARY_EXPORT __attribute__((visibility("default")))
#endif

namespace {

// Calls that come after unload (a program's own exit handlers) find no device and get
// the answers of an empty port instead of a destroyed one.
struct DeviceHolder {
    sim::Device* device = nullptr;
    ~DeviceHolder() { delete std::exchange(device, nullptr); }
} g_Holder;
bool g_Started = false;
bool g_DriverAnswer = false;
int g_DriverErrno = -1;  // not known

// Called at first use rather than at load, so a bad configuration is reported by the
// program's own call rather than inside the dynamic loader.
void Start() {
    g_Started = true;
    sim::Config config;
    const char* path = std::getenv("VANTU_SIM_CONFIG");
    std::string error;
    if (path != nullptr && *path != '\0' && !sim::LoadConfigFile(path, config, error)) {
        std::fprintf(stderr, "simulated port library: %s\n", error.c_str());
        return;
    }
    try {
        g_Holder.device = new sim::Device(config);
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "simulated port library: %s\n", failure.what());
        return;
    }
    g_DriverAnswer = config.driver_open;
    g_DriverErrno = config.driver_errno.value_or(-1);
}

inline sim::Device* Active() {
    if (!g_Started) [[unlikely]] Start();
    return g_Holder.device;
}

}  // namespace

extern "C" {

PORT_LIBRARY_EXPORT void PORT_IO_CALL Out32(short port, short data) {
    if (sim::Device* device = Active()) {
        device->Out(static_cast<uint16_t>(port), static_cast<uint8_t>(data));
    }
}

PORT_LIBRARY_EXPORT short PORT_IO_CALL Inp32(short port) {
    sim::Device* device = Active();
    return device != nullptr ? device->In(static_cast<uint16_t>(port)) : 0xFF;
}

PORT_LIBRARY_EXPORT int PORT_IO_CALL IsInpOutDriverOpen(void) {
    Active();
    return g_DriverAnswer ? 1 : 0;
}

// The optional entry of the real library: the errno of its last attempt to get port access.
// A negative answer means the library does not know, as for a library without the entry.
// Only the Linux library has it: the DLL keeps the three entries of the Windows family.
#ifndef _WIN32
PORT_LIBRARY_EXPORT int PortAccessErrno(void) {
    Active();
    return g_DriverErrno;
}
#endif

}  // extern "C"
