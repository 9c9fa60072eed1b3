// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/restart.h"

const std::vector<std::string>& RestartCommand() {
    // systemd's own timer gives the 5-second delay that shutdown(8) cannot express here.
    static const std::vector<std::string> command{"systemd-run", "--quiet", "--on-active=5", "systemctl", "reboot"};
    return command;
}
