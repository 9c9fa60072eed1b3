// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A flash cut short by a flat battery leaves an EC that does not start. Before a flash, the
// kernel's power-supply class (power_supply_posix.cpp) or the system's power status
// (power_supply_win.cpp) tells whether the machine runs on battery alone, and how full that
// battery is.

#include <optional>
#include <string>

inline constexpr const char* kPowerSupplyRoot = "/sys/class/power_supply";
/// Below this charge, on battery alone, a flash is refused.
inline constexpr int kMinBatteryPercent = 25;

struct PowerState {
    bool external_supply_seen = false;    // a mains or USB supply is listed
    bool external_online = false;         // ... and one of them is online
    std::optional<int> battery_percent;   // mean charge of the system's batteries; none when none is listed
};

/// Reads every supply under `root` (one directory each, with "type", "online", "capacity" or
/// energy/charge files). Peripheral batteries (scope "Device") are left out.
PowerState ReadPowerState(const std::string& root = kPowerSupplyRoot);

/// True when the machine runs on battery alone below kMinBatteryPercent: an external supply
/// is listed, none is online, and the batteries hold less. No battery, or AC: false.
inline bool RefuseFlashForBattery(const PowerState& state) {
    return state.external_supply_seen && !state.external_online && state.battery_percent &&
           *state.battery_percent < kMinBatteryPercent;
}

/// The status line for a refused flash.
inline std::string LowBatteryText(const PowerState& state) {
    return "On battery at " + std::to_string(state.battery_percent.value_or(0)) +
           " %, connect AC power, not flashed!!";
}
