// The flash front ends: the Flash button, the unattended run and the machine restart.

#include <cstdio>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "app/input_drain.h"
#include "flash/flash_log.h"
#include "flash/flash_procedure.h"
#include "flash/image_reader.h"
#include "flash/restart.h"
#include "ui_Unit1.h"

namespace {

constexpr const char* kFlashLogName = "Flash_log.txt";

}  // namespace

void TForm1::ShowFlashEvent(const FlashEvent& event) {
    // The version is read once the run has passed with agreeing sums, before the sum is shown.
    if (event.step == FlashStep::Ended && event.result.outcome == FlashOutcome::Passed) ShowFwVersion();
    const FlashDisplay& shown = event.display;
    if (!shown.status.empty()) ui_->Lbl_status->setText(QString::fromLocal8Bit(shown.status));
    for (const std::string& line : shown.memo) ui_->Memo_status->appendPlainText(QString::fromLocal8Bit(line));
    if (shown.progress) ui_->ProgressBar1->setValue(static_cast<int>(*shown.progress));
    if (!shown.percent.empty()) ui_->Lbl_Process->setText(QString::fromLocal8Bit(shown.percent));
    if (!shown.checksum.empty()) ui_->Lbl_CheckSUM->setText(QString::fromLocal8Bit(shown.checksum));
    // The message loop does not run until the flash is over: every step is painted at once.
    repaint();
}

bool TForm1::DoFlash() {
    const FlashResult result = DoFlashProcedure(static_cast<uint8_t>(settings_.FlashEndCmd),
                                                [this](const FlashEvent& event) { ShowFlashEvent(event); });
    return FlashPassed(result);
}

bool TForm1::FlashOpenImage(std::FILE* image) {
    bool passed = false;
    {
        ScopedImageFile image_guard(image);
        SetFlashButtonsEnabled(false);
        ui_->Memo_status->clear();
        passed = DoFlash();
    }
    std::fclose(image);
    return passed;
}

void TForm1::SetFlashButtonsEnabled(bool enabled) {
    ui_->Btn_Flash->setEnabled(enabled);
    ui_->Btn_loadFILE->setEnabled(enabled);
}

void TForm1::Btn_FlashClick() {
    dialogs::ShowMessage(
        QStringLiteral("Please save the document is in use and turn off the use of the program before Flash EC!!"));
    if (!PortLibraryReady()) return;
    std::FILE* image = std::fopen(ui_->Lbl_FilePath->text().toLocal8Bit().constData(), "rb");
    if (image == nullptr) {
        dialogs::ShowMessage(QStringLiteral("Can't read Bin file!!"));
        return;
    }
    {
        UserInputDrain drain(*this);
        const bool passed = FlashOpenImage(image);
        if (passed && settings_.Shutdown != 0) RestartSystem();
    }
    SetFlashButtonsEnabled(true);
    Btn_openwinClick();
}

bool TForm1::RunAutoFlash() {
    const std::string name = settings_.BinName + ".Bin";
    std::FILE* image = std::fopen(name.c_str(), "rb");
    if (image == nullptr) {
        dialogs::ShowMessage(QStringLiteral("Can't read Bin file!!"));
        return false;
    }
    ui_->Lbl_FilePath->setText(QStringLiteral("USE ") + QString::fromLocal8Bit(name));
    const bool passed = FlashOpenImage(image);
    // The script that started the run reads the log: a pass it cannot see is no pass.
    const bool logged = WriteFlashLog(kFlashLogName, passed);
    SetFlashButtonsEnabled(true);
    return passed && logged;
}

void TForm1::RestartSystem() { RequestRestart(); }

void TForm1::Button1Click() {
    if (settings_.Shutdown != 0) RestartSystem();
}
