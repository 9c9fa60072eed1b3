// SPDX-License-Identifier: GPL-3.0-or-later
// "key=value" lines; '#' starts a comment line. Numbers are decimal or 0x-hex.

#include <cstdint>
#include <fstream>
#include <functional>
#include <string_view>

#include "sim/sim_device.h"

namespace sim {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool ParseNumber(std::string_view text, uint64_t max, uint64_t& out) {
    text = Trim(text);
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty()) return false;
    uint64_t value = 0;
    for (char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return false;
        }
        if (digit >= base || value > (max - digit) / base) return false;
        value = value * base + digit;
    }
    out = value;
    return true;
}

template <typename T>
bool ParseInto(std::string_view text, uint64_t max, T& field) {
    uint64_t value;
    if (!ParseNumber(text, max, value)) return false;
    field = static_cast<T>(value);
    return true;
}

bool ParseBool(std::string_view text, bool& field) {
    if (text == "1" || text == "true" || text == "yes") {
        field = true;
    } else if (text == "0" || text == "false" || text == "no") {
        field = false;
    } else {
        return false;
    }
    return true;
}

/// "a:v,a:v" pairs; an empty list is allowed.
bool ParsePairs(std::string_view text, uint64_t max_key,
                const std::function<void(uint64_t, uint8_t)>& take) {
    while (!Trim(text).empty()) {
        const auto comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        const auto colon = item.find(':');
        uint64_t key, value;
        if (colon == std::string_view::npos || !ParseNumber(item.substr(0, colon), max_key, key) ||
            !ParseNumber(item.substr(colon + 1), 0xFF, value)) {
            return false;
        }
        take(key, static_cast<uint8_t>(value));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return true;
}

bool ParseByteTable(std::string_view text, std::array<uint8_t, 256>& table) {
    return ParsePairs(text, 0xFF, [&](uint64_t index, uint8_t value) { table[index] = value; });
}

struct Key {
    const char* name;
    bool (*apply)(std::string_view value, Config& config);
};

const Key kKeys[] = {
    {"ec_status_port", [](auto v, Config& c) { return ParseInto(v, 0xFFFF, c.ec_status_port); }},
    {"ec_data_port", [](auto v, Config& c) { return ParseInto(v, 0xFFFF, c.ec_data_port); }},
    {"ibf_latency", [](auto v, Config& c) { return ParseInto(v, 0xFFFFFFFF, c.ibf_latency_reads); }},
    {"obf_latency", [](auto v, Config& c) { return ParseInto(v, 0xFFFFFFFF, c.obf_latency_reads); }},
    {"flash_mode_reply",
     [](auto v, Config& c) {
         if (v == "none") {
             c.flash_mode_reply.reset();
             return true;
         }
         uint8_t reply;
         if (!ParseInto(v, 0xFF, reply)) return false;
         c.flash_mode_reply = reply;
         return true;
     }},
    {"chip",
     [](auto v, Config& c) {
         const auto kind = ChipKindByName(std::string(v));
         if (kind) c.chip = *kind;
         return kind.has_value();
     }},
    {"flash_size", [](auto v, Config& c) { return ParseInto(v, 0xFFFFFFFF, c.flash_size); }},
    {"jedec_id",
     [](auto v, Config& c) {
         uint32_t id;
         if (!ParseInto(v, 0xFFFFFF, id)) return false;
         c.jedec_id = std::array<uint8_t, 3>{static_cast<uint8_t>(id >> 16), static_cast<uint8_t>(id >> 8),
                                             static_cast<uint8_t>(id)};
         return true;
     }},
    {"initial_status", [](auto v, Config& c) { return ParseInto(v, 0xFF, c.initial_status); }},
    {"busy_program", [](auto v, Config& c) { return ParseInto(v, 0xFFFFFFFF, c.busy_reads_program); }},
    {"busy_erase", [](auto v, Config& c) { return ParseInto(v, 0xFFFFFFFF, c.busy_reads_erase); }},
    {"busy_status_write",
     [](auto v, Config& c) { return ParseInto(v, 0xFFFFFFFF, c.busy_reads_status_write); }},
    {"flash_file",
     [](auto v, Config& c) {
         c.flash_file = std::string(v);
         return true;
     }},
    {"sio_index_port", [](auto v, Config& c) { return ParseInto(v, 0xFFFE, c.sio_index_port); }},
    {"chip_id", [](auto v, Config& c) { return ParseInto(v, 0xFFFF, c.chip_id); }},
    {"bram_base0", [](auto v, Config& c) { return ParseInto(v, 0xFFFE, c.bram_base[0]); }},
    {"bram_base1", [](auto v, Config& c) { return ParseInto(v, 0xFFFE, c.bram_base[1]); }},
    {"bram", [](auto v, Config& c) { return ParseByteTable(v, c.bram); }},
    {"ec_space", [](auto v, Config& c) { return ParseByteTable(v, c.ec_space); }},
    {"stop_answering_after_commands",
     [](auto v, Config& c) {
         if (v == "-1" || v == "never") {
             c.stop_answering_after_commands = -1;
             return true;
         }
         return ParseInto(v, INT64_MAX, c.stop_answering_after_commands);
     }},
    {"stuck_ones",
     [](auto v, Config& c) {
         c.stuck_ones.clear();
         return ParsePairs(v, 0xFFFFFFFF, [&](uint64_t address, uint8_t bits) {
             c.stuck_ones.emplace_back(static_cast<uint32_t>(address), bits);
         });
     }},
    {"erase_refused", [](auto v, Config& c) { return ParseBool(v, c.erase_refused); }},
    {"stuck_busy", [](auto v, Config& c) { return ParseBool(v, c.stuck_busy); }},
    {"ec_absent", [](auto v, Config& c) { return ParseBool(v, c.ec_absent); }},
    {"driver_open", [](auto v, Config& c) { return ParseBool(v, c.driver_open); }},
    {"driver_errno",
     [](auto v, Config& c) {
         if (v == "none") {
             c.driver_errno.reset();
             return true;
         }
         int value;
         if (!ParseInto(v, 4095, value)) return false;
         c.driver_errno = value;
         return true;
     }},
    {"trace_file",
     [](auto v, Config& c) {
         c.trace_file = std::string(v);
         return true;
     }},
    {"replay",
     [](auto v, Config& c) {
         c.replay_file = std::string(v);
         return true;
     }},
};

}  // namespace

bool LoadConfigFile(const std::string& path, Config& config, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    Config loaded = config;  // the caller's config changes only when the whole file is good
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string_view text = Trim(line);
        if (text.empty() || text.front() == '#') continue;
        const std::string where = path + ":" + std::to_string(number) + ": ";
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            error = where + "expected key=value, got '" + std::string(text) + "'";
            return false;
        }
        const std::string_view key = Trim(text.substr(0, equals));
        const std::string_view value = Trim(text.substr(equals + 1));
        const Key* found = nullptr;
        for (const Key& candidate : kKeys) {
            if (key == candidate.name) found = &candidate;
        }
        if (found == nullptr) {
            error = where + "unknown key '" + std::string(key) + "'";
            return false;
        }
        if (!found->apply(value, loaded)) {
            error = where + "bad value '" + std::string(value) + "' for " + found->name;
            return false;
        }
    }
    if (!ValidateConfig(loaded, error)) {
        error = path + ": " + error;
        return false;
    }
    config = std::move(loaded);
    return true;
}

bool ValidateConfig(const Config& config, std::string& error) {
    const uint32_t size = FlashSizeOf(config);
    if (size < 256 || size > (16u << 20) || (size & (size - 1)) != 0) {
        error = "flash_size must be a power of two from 256 to 16777216, not " + std::to_string(size);
        return false;
    }
    if (config.ec_status_port == config.ec_data_port) {
        error = "ec_status_port and ec_data_port must differ";
        return false;
    }
    if (static_cast<size_t>(config.chip) >= ChipProfiles().size()) {
        error = "unknown chip";
        return false;
    }
    for (const auto& [address, bits] : config.stuck_ones) {
        if (address >= size) {
            error = "stuck_ones address " + std::to_string(address) + " lies outside the flash";
            return false;
        }
    }
    return true;
}

}  // namespace sim
