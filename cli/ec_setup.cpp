// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/ec_setup.h"

#include <cstdio>

#include "cli/command_line.h"
#include "cli/words.h"
#include "flash/preflight.h"
#include "hw/ec_ports.h"
#include "settings/ec_settings.h"
#include "settings/settings_file.h"

namespace {

bool LoadSettingsRecord(const std::string& path, UiSettings& settings, std::string& error) {
    const SettingsLoadResult result = LoadSettingsFile(path.c_str());
    switch (result.status) {
        case SettingsLoadStatus::Loaded: settings = result.values; return true;
        case SettingsLoadStatus::CannotOpen:
            error = "cannot read the settings file " + path + "; check the path, or leave --settings out";
            return false;
        case SettingsLoadStatus::NotRegularFile:
            error = "the settings file " + path + " is not a regular file (" + result.error +
                    "); name a uiset.ini file";
            return false;
        case SettingsLoadStatus::BadValue:
            error = "settings file " + path + ": " + SettingsProblemText(result) +
                    "; correct the file or leave --settings out";
            return false;
    }
    return false;
}

// A negative number shows as its 32-bit pattern, the way a settings file writes it.
std::string Hex(int64_t value) { return HexText(static_cast<uint64_t>(value < 0 ? value & 0xFFFFFFFF : value)); }

}  // namespace

bool ResolveEcSetup(const CliRequest& request, EcSetup& setup, std::string& error) {
    setup = EcSetup{};
    if (!request.settings_file.empty()) {
        if (!LoadSettingsRecord(request.settings_file, setup.settings, error)) return false;
        setup.data_port = setup.settings.AcpiPort;
        setup.sio_index_port = setup.settings.SioSelect != 0 ? 0x4E : 0x2E;
        setup.bram_bank = setup.settings.BramBank != 0 ? 1 : 0;
        setup.end_cmd = setup.settings.FlashEndCmd;
    }
    // The parser has checked the form of these already.
    if (request.port) setup.data_port = *ParseHexNumber(*request.port);
    if (request.sio_index_port) setup.sio_index_port = *request.sio_index_port;
    if (request.bram_bank) setup.bram_bank = *request.bram_bank;
    if (request.end_cmd) {
        setup.end_cmd = *ParseHexNumber(*request.end_cmd);
        if (setup.end_cmd > 0xFF) {
            error = "--end-cmd " + *request.end_cmd + " is more than one byte; give a command from 00 to FF";
            return false;
        }
    }
    return true;
}

std::string EcSetupRefusal(const EcSetup& setup) {
    // The range rule is the hardware layer's; the words here name the options instead of the file.
    if (!EC_PortRangeError(setup.data_port, setup.data_port).empty())
        return "EC data port " + Hex(setup.data_port) + " out of range (1 to FFFF); give --port with the EC's data port";
    if (!EC_PortRangeError(setup.command_port(), setup.data_port).empty())
        return "EC command port " + Hex(setup.command_port()) +
               " (data port + 4) out of range (1 to FFFF); give --port with the EC's data port";
    const auto command = static_cast<uint8_t>(setup.end_cmd);
    if (IsFollowLinkCommand(command))
        return "end command " + Hex(command) +
               " is a follow-mode command and would never release the EC; give --end-cmd with the EC's end "
               "command (e.g. FE)";
    return {};
}

EcPorts EcSetupPorts(const EcSetup& setup) {
    UiSettings hardware;
    hardware.AcpiPort = static_cast<int32_t>(setup.data_port);
    hardware.SioSelect = setup.sio_index_port == 0x4E ? 1 : 0;
    hardware.BramBank = static_cast<uint8_t>(setup.bram_bank);
    return EcPortsFor(hardware);
}
