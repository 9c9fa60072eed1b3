// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Installs a simulated device at the port I/O seam for the life of the guard.

#include "hw/port_io.h"
#include "sim/sim_device.h"

namespace sim {

class InProcess {
public:
    explicit InProcess(Device& device);
    ~InProcess();
    InProcess(const InProcess&) = delete;
    InProcess& operator=(const InProcess&) = delete;

private:
    Device* previous_;
    ScopedPortIo io_;
};

}  // namespace sim
