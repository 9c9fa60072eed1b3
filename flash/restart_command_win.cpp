// SPDX-License-Identifier: GPL-3.0-or-later
#include "flash/restart.h"

const std::vector<std::string>& RestartCommand() {
    static const std::vector<std::string> command{"shutdown", "-r", "-t", "5"};
    return command;
}
