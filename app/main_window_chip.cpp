// SPDX-License-Identifier: GPL-3.0-or-later
// What the window shows of the chip: its ID and the running firmware's version.

#include "app/main_window.h"
#include "app/dialogs.h"
#include "hw/port_io.h"
#include "hw/super_io.h"
#include "version/fw_version.h"
#include "ui_main_window.h"

void MainWindow::ShowChipId() { ui_->chipIdLabel->setText(QString::asprintf("%04X", unsigned{SIO_ReadChipId(ports_)})); }

void MainWindow::ShowFwVersion() {
    // Without the port library (it failed to open, or window creation stopped before it)
    // nothing may touch the ports; the label keeps its text.
    if (!g_DriverOpen) return;
    std::string text;
    const FwReadResult read = FW_ReadVersion(ports_, settings_, text);
    ShowFwVersionRead(read, text);
}

void MainWindow::ShowFwVersionRead(FwReadResult read, const std::string& text) {
    switch (read) {
    case FwReadResult::Skipped:
    case FwReadResult::PortsRefused:  // told when the ports were taken
    case FwReadResult::Busy:          // the label keeps the version last read
        break;
    case FwReadResult::Read:
        ui_->fwVersionLabel->setText(QString::fromUtf8(text));  // the version text is UTF-8
        break;
    case FwReadResult::AckFail:
        dialogs::ShowMessage(QString::fromLatin1(kAckFailText));
        break;
    }
}
