// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/ec_ports.h"

#include <cstdio>

namespace {

bool Usable(int64_t port) { return port >= kLowestEcPort && port <= kHighestEcPort; }

std::string Refusal(const char* which, int64_t port) {
    char text[128];
    // A negative number is shown as its 32-bit pattern, the way it was written.
    std::snprintf(text, sizeof text, "EC %s port %llX out of range (1 to FFFF), pls check ACPI PORT!!", which,
                  static_cast<unsigned long long>(port < 0 ? port & 0xFFFFFFFF : port));
    return text;
}

}  // namespace

std::string EC_PortRangeError(int64_t cmd_port, int64_t data_port) {
    if (!Usable(cmd_port)) return Refusal("CMD", cmd_port);
    if (!Usable(data_port)) return Refusal("DATA", data_port);
    return {};
}
