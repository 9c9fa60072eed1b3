// The flash front ends: the Flash button, the unattended run and the machine restart.

#include <cstdio>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "app/input_drain.h"
#include "app/run_mode.h"
#include "flash/flash_procedure.h"
#include "flash/flash_start_check.h"
#include "flash/image_file.h"
#include "flash/image_reader.h"
#include "flash/restart.h"
#include "hw/signal_hold.h"
#include "hw/sleep_inhibitor.h"
#include "ui_Unit1.h"

namespace {

constexpr const char* kCantReadImageText = "Can't read Bin file!!";

// The image, or nullptr after the box that tells why it cannot be read.
std::FILE* OpenImageOrTell(const char* path) {
    const OpenedImage opened = IMG_OpenImage(path);
    if (opened.status == ImageOpenStatus::Opened) return opened.file;
    dialogs::ShowMessage(QString::fromLatin1(opened.status == ImageOpenStatus::NotRegularFile ? kImageNotRegularText
                                                                                               : kCantReadImageText));
    return nullptr;
}

// True after the box that tells why a flash must not start; nothing has reached the EC.
bool RefusedToStart(int32_t flash_end_cmd) {
    const std::string refusal = FlashStartRefusal(flash_end_cmd);
    if (refusal.empty()) return false;
    dialogs::ShowMessage(QString::fromStdString(refusal));
    return true;
}

// Shows the procedure's progress in the window; every change is painted at once, since the
// message loop does not run until the flash is over.
class WindowReporter : public FlashReporter {
public:
    WindowReporter(TForm1& form, Ui::TForm1& ui) : form_(form), ui_(ui) {}

    void SetStatus(const std::string& text) override { form_.SetStatusLine(QString::fromLocal8Bit(text)); }
    void AppendMemo(const std::string& line) override {
        ui_.Memo_status->appendPlainText(QString::fromLocal8Bit(line));
        ui_.Memo_status->repaint();
    }
    void SetProgress(unsigned percent) override { ui_.ProgressBar1->setValue(static_cast<int>(percent)); }
    void SetProcessText(const std::string& text) override {
        ui_.Lbl_Process->setText(QString::fromLocal8Bit(text));
        ui_.Lbl_Process->repaint();
    }
    void SetCheckSum(const std::string& text) override { ui_.Lbl_CheckSUM->setText(QString::fromLocal8Bit(text)); }
    void RepaintWindow() override { form_.repaint(); }
    void ShowFwVersion() override { form_.ShowFwVersion(); }

private:
    TForm1& form_;
    Ui::TForm1& ui_;
};

}  // namespace

bool TForm1::DoFlash() {
    WindowReporter reporter(*this, *ui_);
    return DoFlashProcedure(static_cast<uint8_t>(settings_.FlashEndCmd), reporter);
}

bool TForm1::FlashOpenImage(std::FILE* image) {
    g_ImageFile = image;
    SetFlashButtonsEnabled(false);
    ui_->Memo_status->clear();
    bool passed = false;
    {
        // A half-written EC does not start again: neither sleep nor a signal may cut the run
        // short. A held signal ends the program here, once the EC has its end command.
        SleepInhibitor no_sleep;
        SignalHold signals_wait;
        passed = DoFlash();
    }
    std::fclose(image);
    g_ImageFile = nullptr;
    return passed;
}

void TForm1::SetStatusLine(const QString& text) {
    ui_->Lbl_status->setText(text);
    ui_->Lbl_status->repaint();
    EchoForScript(text);
}

void TForm1::SetFlashButtonsEnabled(bool enabled) {
    ui_->Btn_Flash->setEnabled(enabled);
    ui_->Btn_loadFILE->setEnabled(enabled);
}

void TForm1::Btn_FlashClick() {
    dialogs::ShowMessage(
        QStringLiteral("Please save the document is in use and turn off the use of the program before Flash EC!!"));
    if (!PortLibraryReady() || RefusedToStart(settings_.FlashEndCmd)) return;
    std::FILE* image = OpenImageOrTell(ui_->Lbl_FilePath->text().toLocal8Bit().constData());
    if (image == nullptr) return;
    {
        UserInputDrain drain(*this);
        const bool passed = FlashOpenImage(image);
        if (passed && settings_.Shutdown != 0) WriteFilesThenRestart();
    }
    SetFlashButtonsEnabled(true);
    Btn_openwinClick();
}

bool TForm1::RunAutoFlash() {
    if (RefusedToStart(settings_.FlashEndCmd)) return false;
    const std::string name = settings_.BinName + ".Bin";
    std::FILE* image = OpenImageOrTell(name.c_str());
    if (image == nullptr) return false;
    ui_->Lbl_FilePath->setText(QStringLiteral("USE ") + QString::fromLocal8Bit(name));
    const bool passed = FlashOpenImage(image);
    // The script that started the run reads the log: a pass it cannot see is no pass.
    const bool logged = RecordFlashOutcome(passed);
    if (!logged) SetStatusLine(QStringLiteral("Can't write %1!!").arg(QString::fromLatin1(kFlashLogName)));
    SetFlashButtonsEnabled(true);
    return passed && logged;
}

void TForm1::WriteFilesThenRestart() {
    WriteRunFiles();
    SyncWorkingDirectory();
    RestartSystem();
}

void TForm1::RestartSystem() {
    if (RequestRestart()) return;
    QStringList words;
    for (const std::string& word : RestartCommand()) words << QString::fromLocal8Bit(word);
    SetStatusLine(QStringLiteral("Restart failed: %1").arg(words.join(QLatin1Char(' '))));
}

void TForm1::Button1Click() {
    if (settings_.Shutdown != 0) WriteFilesThenRestart();
}
