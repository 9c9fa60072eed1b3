#include "cli/ec_setup.h"

#include <cstdio>

#include "cli/command_line.h"
#include "hw/ec_channel.h"
#include "hw/super_io.h"
#include "settings/settings_file.h"

namespace {

// The command line shows no window: the reader's control calls have nowhere to go.
class NoControls : public SettingsControls {
public:
    void SetPortTexts(const std::string&, const std::string&) override {}
    void SetVersionShown(bool) override {}
    void SelectHexDisplay(bool) override {}
    void SelectReadMethodBram(bool) override {}
    void SelectIo4E(bool) override {}
    void SelectBank1(bool) override {}
    void SelectReadBytes5(bool) override {}
};

bool LoadSettingsRecord(const std::string& path, UiSettings& settings, std::string& error) {
    NoControls controls;
    const SettingsLoadResult result = LoadSettingsFile(path.c_str(), settings, controls);
    switch (result.status) {
        case SettingsLoadStatus::Loaded: return true;
        case SettingsLoadStatus::CannotOpen:
            error = "cannot read the settings file " + path + "; check the path, or leave --settings out";
            return false;
        case SettingsLoadStatus::BadValue:
            error = "settings file " + path + ": " + result.error + "; correct the file or leave --settings out";
            return false;
    }
    return false;
}

std::string Hex(int64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value < 0 ? value & 0xFFFFFFFF : value));
    return text;
}

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
    const auto out_of_range = [](int64_t port) { return port < 0x0001 || port > 0xFFFF; };
    if (out_of_range(setup.data_port))
        return "EC data port " + Hex(setup.data_port) + " out of range (1 to FFFF); give --port with the EC's data port";
    if (out_of_range(setup.command_port()))
        return "EC command port " + Hex(setup.command_port()) +
               " (data port + 4) out of range (1 to FFFF); give --port with the EC's data port";
    const auto command = static_cast<uint8_t>(setup.end_cmd);
    if (command >= 0x01 && command <= 0x05)
        return "end command " + Hex(command) +
               " is a follow-mode command and would never release the EC; give --end-cmd with the EC's end "
               "command (e.g. FE)";
    return {};
}

void ApplyEcSetup(const EcSetup& setup) {
    g_DataPort = static_cast<int>(setup.data_port);
    g_CmdPort = g_StatusPort = static_cast<int>(setup.command_port());
    SIO_SetIndexPort(setup.sio_index_port);
    SIO_SetBramBank(setup.bram_bank);
}
