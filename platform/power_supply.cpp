// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/power_supply.h"

bool RefuseFlashForBattery(const PowerState& state) {
    return state.external_supply_seen && !state.external_online && state.battery_percent &&
           *state.battery_percent < kMinBatteryPercent;
}

std::string LowBatteryText(const PowerState& state) {
    return "On battery at " + std::to_string(state.battery_percent.value_or(0)) +
           " %, connect AC power, not flashed!!";
}
