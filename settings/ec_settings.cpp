// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ec_settings.h"

EcPorts EcPortsFor(const UiSettings& settings) {
    // The command port is derived the way the settings file has always defined it.
    return EcPorts{.command = static_cast<int>(static_cast<uint32_t>(settings.AcpiPort) + 4),
                   .data = settings.AcpiPort,
                   .sio_index = SioIndexPortFor(settings.SioSelect != 0),
                   .bram_base_reg = BramBaseRegFor(settings.BramBank != 0 ? 1 : 0)};
}
