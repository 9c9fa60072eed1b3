// What the window shows of the chip: its ID and the running firmware's version.

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "hw/port_io.h"
#include "hw/super_io.h"
#include "version/fw_version.h"
#include "ui_Unit1.h"

void TForm1::ShowChipId() { ui_->Lbl_chip->setText(QString::asprintf("%04X", unsigned{SIO_ReadChipId()})); }

void TForm1::ShowFwVersion() {
    // Without the port library (it failed to open, or window creation stopped before it)
    // nothing may touch the ports; the label keeps its text.
    if (!g_DriverOpen) return;
    std::string text;
    const FwReadResult read = FW_ReadVersion(settings_, text);
    ShowFwVersionRead(read, text);
}

void TForm1::ShowFwVersionRead(FwReadResult read, const std::string& text) {
    switch (read) {
    case FwReadResult::Skipped:
    case FwReadResult::PortsRefused:  // told when the ports were taken
    case FwReadResult::Busy:          // the label keeps the version last read
        break;
    case FwReadResult::Read:
        ui_->Lbl_FW_ver->setText(QString::fromUtf8(text));  // the version text is UTF-8
        break;
    case FwReadResult::AckFail:
        dialogs::ShowMessage(QString::fromLatin1(kAckFailText));
        break;
    }
}
