// SPDX-License-Identifier: GPL-3.0-or-later
// A minimal client of the port library: opens it the way the program does and prints the
// EC chip ID. Process-level tests run it against the simulated library.

#include <cstdio>

#include "hw/port_io.h"
#include "hw/super_io.h"

int main() {
    if (!IO_Open()) return 0;  // the failure text is already printed
    std::printf("%04X\n", SIO_ReadChipId(EcPorts{}));
    IO_Close();
    return 0;
}
