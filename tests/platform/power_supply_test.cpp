// SPDX-License-Identifier: GPL-3.0-or-later
// On battery alone below a quarter charge a flash is refused; with AC, or with no battery,
// nothing changes. Each case is a power-supply tree written to a temporary directory.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/power_supply.h"

namespace {

namespace fs = std::filesystem;

using Supply = std::map<std::string, std::string>;  // file name -> content

TEST(PowerSupplyTest, OnlyBatteryAloneBelowAQuarterRefuses) {
    struct Case {
        const char* what;
        std::vector<Supply> supplies;
        bool refused;
        int percent;  // as read, -1 for none
    };
    const Supply ac_online{{"type", "Mains"}, {"online", "1"}};
    const Supply ac_offline{{"type", "Mains"}, {"online", "0"}};
    const Supply usb_c_online{{"type", "USB"}, {"online", "1"}};
    const auto battery = [](const char* capacity) { return Supply{{"type", "Battery"}, {"capacity", capacity}}; };
    const Case cases[] = {
        {"AC, low battery", {ac_online, battery("10")}, false, 10},
        {"battery alone at 24 %", {ac_offline, battery("24")}, true, 24},
        {"battery alone at 25 %", {ac_offline, battery("25")}, false, 25},
        {"no battery (desktop)", {ac_offline}, false, -1},
        {"no supplies listed", {}, false, -1},
        {"charging over USB-C", {ac_offline, usb_c_online, battery("5")}, false, 5},
        {"no external supply listed", {battery("5")}, false, 5},
        {"mouse battery only", {ac_offline, {{"type", "Battery"}, {"scope", "Device"}, {"capacity", "3"}}}, false, -1},
        {"battery removed", {ac_offline, {{"type", "Battery"}, {"present", "0"}, {"capacity", "0"}}}, false, -1},
        {"energy counters only", {ac_offline, {{"type", "Battery"}, {"energy_now", "9000"}, {"energy_full", "45000"}}}, true, 20},
        {"charge counters only", {ac_offline, {{"type", "Battery"}, {"charge_now", "3000"}, {"charge_full", "4000"}}}, false, 75},
        {"two batteries together", {ac_offline, battery("10"), battery("50")}, false, 30},
        {"two low batteries", {ac_offline, battery("10"), battery("20")}, true, 15},
    };
    const fs::path root = fs::path(::testing::TempDir()) / ("vantu_power_" + std::to_string(::getpid()));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(root);
        fs::create_directories(root);
        int index = 0;
        for (const Supply& supply : c.supplies) {
            const fs::path dir = root / ("supply" + std::to_string(index++));
            fs::create_directories(dir);
            for (const auto& [name, content] : supply) std::ofstream(dir / name) << content << "\n";
        }
        const PowerState state = ReadPowerState(root.string());
        EXPECT_EQ(RefuseFlashForBattery(state), c.refused);
        EXPECT_EQ(state.battery_percent.value_or(-1), c.percent);
    }
    fs::remove_all(root);
    EXPECT_FALSE(RefuseFlashForBattery(ReadPowerState((root / "missing").string())));
}

TEST(PowerSupplyTest, RefusalTextGivesTheChargeAndWhatToDo) {
    PowerState state;
    state.battery_percent = 12;
    EXPECT_EQ(LowBatteryText(state), "On battery at 12 %, connect AC power, not flashed!!");
}

}  // namespace
