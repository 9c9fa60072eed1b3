// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ec_settings.h"

#include "hw/ec_channel.h"
#include "hw/super_io.h"

void ApplyEcSettings(const UiSettings& settings) {
    // The command port is derived the way the settings file has always defined it.
    const int command_port = static_cast<int>(static_cast<uint32_t>(settings.AcpiPort) + 4);
    g_StatusPort = command_port;
    g_CmdPort = command_port;
    g_DataPort = settings.AcpiPort;
    SIO_SetIndexPort(settings.SioSelect != 0 ? 0x4E : 0x2E);
    SIO_SetBramBank(settings.BramBank != 0 ? 1 : 0);
}
