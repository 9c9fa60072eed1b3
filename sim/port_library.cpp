// The drop-in port library: the entry points of the real one, answered by a
// simulated device configured from the file named by VANTU_SIM_CONFIG.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <utility>
#include <string>

#include "sim/sim_device.h"

namespace {

// Calls that come after unload (a program's own exit handlers) find no device and get
// the answers of an empty port instead of a destroyed one.
struct DeviceHolder {
    sim::Device* device = nullptr;
    ~DeviceHolder() { delete std::exchange(device, nullptr); }
} g_Holder;
bool g_Started = false;
bool g_DriverOpen = false;
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
    g_DriverOpen = config.driver_open;
    g_DriverErrno = config.driver_errno.value_or(-1);
}

inline sim::Device* Active() {
    if (!g_Started) [[unlikely]] Start();
    return g_Holder.device;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void Out32(short port, short data) {
    if (sim::Device* device = Active()) {
        device->Out(static_cast<uint16_t>(port), static_cast<uint8_t>(data));
    }
}

__attribute__((visibility("default"))) short Inp32(short port) {
    sim::Device* device = Active();
    return device != nullptr ? device->In(static_cast<uint16_t>(port)) : 0xFF;
}

__attribute__((visibility("default"))) int IsInpOutDriverOpen(void) {
    Active();
    return g_DriverOpen ? 1 : 0;
}

// The optional entry of the real library: the errno of its last attempt to get port access.
// A negative answer means the library does not know, as for a library without the entry.
__attribute__((visibility("default"))) int PortAccessErrno(void) {
    Active();
    return g_DriverErrno;
}

}  // extern "C"
