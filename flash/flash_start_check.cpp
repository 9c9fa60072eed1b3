// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/flash_start_check.h"

#include <cstdio>

#include "hw/ec_ports.h"

namespace {
constexpr uint8_t kFirstLinkCommand = 0x01;  // select
constexpr uint8_t kLastLinkCommand = 0x05;   // deselect
}  // namespace

bool IsFollowLinkCommand(uint8_t command) { return command >= kFirstLinkCommand && command <= kLastLinkCommand; }

std::string EndCommandRefusal(int32_t flash_end_cmd) {
    const auto command = static_cast<uint8_t>(flash_end_cmd);
    if (!IsFollowLinkCommand(command)) return {};
    char text[128];
    std::snprintf(text, sizeof text,
                  "FlashEnd CMD 0x%02X is a follow mode command and would never release the EC, "
                  "pls check uiset.ini!!",
                  unsigned{command});
    return text;
}

std::string FlashStartRefusal(const EcPorts& ports, int32_t flash_end_cmd) {
    std::string refusal = EC_PortsInUseError(ports);
    if (refusal.empty()) refusal = EndCommandRefusal(flash_end_cmd);
    return refusal;
}
