// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings record: every option of the program, as read from "uiset.ini".

#include <cstdint>
#include <string>

struct UiSettings {
    int32_t AcpiPort = 0;        // EC data port; the command port is AcpiPort + 4 at load
    int32_t FwVersionShow = 0;   // 0 no version, 1 read and show, 2 version-only run
    int32_t HexDisplay = 0;      // version text format switch
    uint8_t ReadMethod = 0;      // 0 EC space, 1 BRAM
    uint8_t SioSelect = 0;       // 0 index port 0x2E, 1 0x4E
    uint8_t BramBank = 0;        // 0 bank 0, 1 bank 1
    int32_t ReadBytes = 0;       // version byte-count selector
    int32_t BramStartIndex = 0;  // index of the first version byte
    int32_t FlashEndCmd = 0;     // EC command (low 8 bits) sent when flashing ends
    uint8_t AutoFlash = 0;       // unattended flash at activation
    uint8_t WarningShow = 0;     // warning box at activation
    uint8_t SilentRun = 0;       // hide the windows during the unattended flash
    std::string BinName;         // image base name for the unattended flash, bytes as in the file
    uint8_t Shutdown = 0;        // restart after a passing flash

    bool operator==(const UiSettings&) const = default;
};
