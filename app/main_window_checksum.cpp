// SPDX-License-Identifier: GPL-3.0-or-later
// The checksum tools of the Setting tab: image sum, flash sum with dump, ROM size.

#include <cstdio>

#include "app/main_window.h"
#include "app/dialogs.h"
#include "platform/signal_hold.h"
#include "flash/checksum_tools.h"
#include "flash/flash_procedure.h"
#include "flash/image.h"
#include "hw/ec_ports.h"
#include "hw/hw_fault.h"
#include "settings/int_convert.h"
#include "ui_main_window.h"

void MainWindow::onBinChecksumClicked() {
    const OpenedImage opened = IMG_OpenImage(ui_->filePathLabel->text().toLocal8Bit().constData());
    if (opened.status != ImageOpenStatus::Opened) {
        dialogs::ShowMessage(opened.status == ImageOpenStatus::NotRegularFile
                                 ? QString::fromLatin1(kImageNotRegularText)
                                 : QStringLiteral("Not get BIN FILE!"));
        return;
    }
    std::FILE* image = opened.file;
    const QString shown_before = ui_->binChecksumLabel->text();
    const BinChecksumStatus status = BinChecksum(image, [this](uint32_t sum) {
        ui_->binChecksumLabel->setText(QString::fromStdString(ChecksumText(sum)));
        ui_->binChecksumLabel->repaint();
    }).status;
    std::fclose(image);
    if (status == BinChecksumStatus::Done) return;
    // A sum of part of the file must not stand as the file's sum.
    ui_->binChecksumLabel->setText(shown_before);
    dialogs::ShowMessage(QString::fromLatin1(status == BinChecksumStatus::ReadError ? flash_text::kImageShort
                                                                                    : flash_text::kNoMemory));
}

void MainWindow::onRomChecksumClicked() {
    if (!PortLibraryReady()) return;
    RomChecksumResult result;
    {
        const SignalHold signals_wait;  // acted on once the run's files are written, before any box
        const int32_t rom_size_k = rom_size_k_;
        if (!RunOffWindowThread([&result, rom_size_k, ports = ports_] { result = RomChecksum(ports, rom_size_k); })) return;
        WriteRunFilesIfSignalled();
    }
    switch (result.status) {
    case RomChecksumStatus::Done:
        ui_->romChecksumLabel->setText(QString::fromStdString(ChecksumText(result.sum)));
        if (!result.dump_written) dialogs::ShowMessage(QStringLiteral("Can't write LoadRom.bin!!"));
        if (result.fault != HwFault::None) dialogs::ShowMessage(QString::fromLatin1(HW_FaultText(result.fault)));
        break;
    case RomChecksumStatus::SizeTooLarge:
        dialogs::ShowMessage(QStringLiteral("RomSize(K) over 16384, not read!!"));
        break;
    case RomChecksumStatus::SizeTooSmall:
        dialogs::ShowMessage(QStringLiteral("RomSize(K) under 64, not read!!"));
        break;
    case RomChecksumStatus::SizeAboveChip:
        dialogs::ShowMessage(QStringLiteral("RomSize(K) over the flash chip's size, not read!!"));
        break;
    case RomChecksumStatus::Interrupted:  // the window asks no stop
        break;
    case RomChecksumStatus::PortsRefused:
        dialogs::ShowMessage(QString::fromStdString(EC_PortsInUseError(ports_)));
        break;
    case RomChecksumStatus::Busy:
        dialogs::ShowMessage(QString::fromStdString(result.refusal));
        break;
    case RomChecksumStatus::AckFail:
        dialogs::ShowMessage(QStringLiteral("EC ACK Fail !"));
        break;
    case RomChecksumStatus::Faulted:
        dialogs::ShowMessage(QString::fromLatin1(HW_FaultText(result.fault)));
        break;
    }
}

void MainWindow::onRomSizeSetClicked() {
    const QString text = ui_->romSizeEdit->text();
    const std::optional<int32_t> size_k = ParseInt(text.toLocal8Bit().toStdString());
    if (!size_k) {
        dialogs::ShowError(QString::fromLocal8Bit(InvalidIntegerMessage(text.toLocal8Bit().toStdString())));
        return;
    }
    rom_size_k_ = *size_k;
}
