// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/power_supply.h"

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadWord(const fs::path& file) {
    std::ifstream in(file);
    std::string word;
    if (!(in >> word)) return std::nullopt;
    return word;
}

std::optional<long long> ReadNumber(const fs::path& file) {
    const std::optional<std::string> word = ReadWord(file);
    if (!word) return std::nullopt;
    try {
        return std::stoll(*word);
    } catch (...) {
        return std::nullopt;
    }
}

bool IsExternalSupply(const std::string& type) {
    // USB covers every USB kind the kernel names (USB, USB_C, USB_PD, ...).
    return type == "Mains" || type.rfind("USB", 0) == 0;
}

// The charge in percent, from "capacity" or, where a driver gives none, from the energy or
// charge counters.
std::optional<int> BatteryPercent(const fs::path& supply) {
    if (const auto capacity = ReadNumber(supply / "capacity")) return static_cast<int>(*capacity);
    for (const char* kind : {"energy", "charge"}) {
        const auto now = ReadNumber(supply / (std::string(kind) + "_now"));
        const auto full = ReadNumber(supply / (std::string(kind) + "_full"));
        if (now && full && *full > 0) return static_cast<int>(*now * 100 / *full);
    }
    return std::nullopt;
}

}  // namespace

PowerState ReadPowerState(const std::string& root) {
    PowerState state;
    int batteries = 0;
    int percent_sum = 0;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(root, error)) {
        const fs::path supply = entry.path();
        const std::string type = ReadWord(supply / "type").value_or("");
        if (IsExternalSupply(type)) {
            state.external_supply_seen = true;
            if (ReadNumber(supply / "online").value_or(0) != 0) state.external_online = true;
        } else if (type == "Battery") {
            // A mouse or headset battery says nothing about the machine's own power.
            if (ReadWord(supply / "scope").value_or("System") == "Device") continue;
            if (ReadNumber(supply / "present").value_or(1) == 0) continue;
            const std::optional<int> percent = BatteryPercent(supply);
            if (!percent) continue;
            ++batteries;
            percent_sum += *percent;
        }
    }
    if (batteries > 0) state.battery_percent = percent_sum / batteries;
    return state;
}
