// SPDX-License-Identifier: GPL-3.0-or-later
#include "hw/ec_presence.h"

#include <cstdio>

#include "hw/ec_channel.h"
#include "hw/port_io.h"

bool EC_StatusPortAnswers() {
    for (int i = 0; i < kEcSilentReads; ++i) {
        if (IO_In(g_StatusPort) != 0xFF) return true;
    }
    return false;
}

std::string EC_SilentPortText(int status_port) {
    char text[80];
    std::snprintf(text, sizeof text, "No EC answers at port %04X (status reads FF), not flashed!!",
                  static_cast<unsigned>(status_port & 0xFFFF));
    return text;
}
