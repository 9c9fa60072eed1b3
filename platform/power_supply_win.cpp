// SPDX-License-Identifier: GPL-3.0-or-later
#include <windows.h>

#include "platform/power_supply.h"

// Windows keeps no supply directory: the system's own summary stands in for it, and the root
// is not used. When the system cannot tell, nothing is listed and the flash is allowed.
PowerState ReadPowerState(const std::string& /*root*/) {
    PowerState state;
    SYSTEM_POWER_STATUS status{};
    if (!GetSystemPowerStatus(&status)) return state;
    constexpr BYTE kUnknown = 255;
    constexpr BYTE kNoBattery = 128;
    if (status.ACLineStatus != kUnknown) {
        state.external_supply_seen = true;
        state.external_online = status.ACLineStatus == 1;
    }
    if (status.BatteryFlag != kUnknown && (status.BatteryFlag & kNoBattery) == 0 && status.BatteryLifePercent <= 100)
        state.battery_percent = status.BatteryLifePercent;
    return state;
}
