// The checksum tools of the Setting tab: image sum, flash sum with dump, ROM size.

#include <cstdio>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "flash/checksum_tools.h"
#include "flash/flash_procedure.h"
#include "hw/hw_fault.h"
#include "settings/int_convert.h"
#include "spi/verify.h"
#include "ui_Unit1.h"

void TForm1::Btn_get_checksun_BINClick() {
    const QString kNotGot = QStringLiteral("Not get BIN FILE!");
    std::FILE* image = std::fopen(ui_->Lbl_FilePath->text().toLocal8Bit().constData(), "rb");
    if (image == nullptr) {
        dialogs::ShowMessage(kNotGot);
        return;
    }
    const QString shown_before = ui_->Lbl_BIN_check->text();
    const BinChecksumStatus status = BinChecksum(image, [this](uint32_t sum) {
        ui_->Lbl_BIN_check->setText(QString::fromStdString(ChecksumText(sum)));
        ui_->Lbl_BIN_check->repaint();
    });
    std::fclose(image);
    if (status == BinChecksumStatus::Done) return;
    // A sum of part of the file must not stand as the file's sum.
    ui_->Lbl_BIN_check->setText(shown_before);
    dialogs::ShowMessage(status == BinChecksumStatus::ReadError ? kNotGot
                                                                : QString::fromLatin1(flash_text::kNoMemory));
}

void TForm1::Btn_get_checksun_ROMClick() {
    if (!PortLibraryReady()) return;
    const RomChecksumResult result = RomChecksum();
    switch (result.status) {
    case RomChecksumStatus::Done:
        ui_->Lbl_ROM_check->setText(QString::fromStdString(ChecksumText(g_RomSum)));
        if (!result.dump_written) dialogs::ShowMessage(QStringLiteral("Can't write LoadRom.bin!!"));
        if (result.fault != HwFault::None) dialogs::ShowMessage(QString::fromLatin1(HW_FaultText(result.fault)));
        break;
    case RomChecksumStatus::SizeTooLarge:
        dialogs::ShowMessage(QStringLiteral("RomSize(K) over 16384, not read!!"));
        break;
    case RomChecksumStatus::AckFail:
        dialogs::ShowMessage(QStringLiteral("EC ACK Fail !"));
        break;
    case RomChecksumStatus::Faulted:
        dialogs::ShowMessage(QString::fromLatin1(HW_FaultText(result.fault)));
        break;
    }
}

void TForm1::Button3Click() {
    const QString text = ui_->Edit1->text();
    const std::optional<int32_t> size_k = ParseInt(text.toLocal8Bit().toStdString());
    if (!size_k) {
        dialogs::ShowError(QString::fromLocal8Bit(InvalidIntegerMessage(text.toLocal8Bit().toStdString())));
        return;
    }
    g_RomSizeK = *size_k;
}
