// SPDX-License-Identifier: GPL-3.0-or-later
// The flash front ends: the Flash button, the unattended run and the machine restart.

#include <QCloseEvent>
#include <QEventLoop>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "app/main_window.h"
#include "app/dialogs.h"
#include "app/input_drain.h"
#include "app/run_mode.h"
#include "flash/flash_procedure.h"
#include "flash/image.h"
#include "flash/preflight.h"
#include "flash/restart.h"
#include "hw/port_io.h"
#include "platform/signal_hold.h"
#include "platform/sleep_inhibitor.h"
#include "version/fw_version.h"
#include "ui_main_window.h"

namespace {

constexpr const char* kCantReadImageText = "Can't read Bin file!!";
constexpr const char* kCloseDuringFlashText =
    "The EC is being flashed: closing now would leave it without working firmware. Wait for the flash to end.";
constexpr const char* kCloseDuringReadText = "The EC's flash is being read. Wait for the read to end.";

// The image, or nullptr after the box that tells why it cannot be read.
std::FILE* OpenImageOrTell(const char* path) {
    const OpenedImage opened = IMG_OpenImage(path);
    if (opened.status == ImageOpenStatus::Opened) return opened.file;
    dialogs::ShowMessage(QString::fromLatin1(opened.status == ImageOpenStatus::NotRegularFile ? kImageNotRegularText
                                                                                               : kCantReadImageText));
    return nullptr;
}

// True after the box that tells why a flash must not start; nothing has reached the EC.
bool RefusedToStart(const EcPorts& ports, int32_t flash_end_cmd) {
    const std::string refusal = FlashStartRefusal(ports, flash_end_cmd);
    if (refusal.empty()) return false;
    dialogs::ShowMessage(QString::fromStdString(refusal));
    return true;
}

}  // namespace

void MainWindow::ShowFlashEvent(const FlashEvent& event) {
    const FlashDisplay shown = FlashDisplayFor(event);
    if (!shown.status.empty()) SetStatusLine(QString::fromLocal8Bit(shown.status));
    for (const std::string& line : shown.memo) ui_->statusHistory->appendPlainText(QString::fromLocal8Bit(line));
    if (shown.progress) ui_->progressBar->setValue(static_cast<int>(*shown.progress));
    if (!shown.percent.empty()) ui_->percentLabel->setText(QString::fromLocal8Bit(shown.percent));
    if (!shown.checksum.empty()) ui_->checksumLabel->setText(QString::fromLocal8Bit(shown.checksum));
}

bool MainWindow::RunOffWindowThread(const std::function<void()>& work) {
    // Port rights are per thread on Linux and only a thread created after the library was
    // opened inherits them: the thread starts only now, long after window creation opened it.
    // What the work tells the window comes back as queued calls, in the order they were made;
    // the window keeps painting meanwhile.
    if (!g_DriverOpen) return false;
    // Clicks meanwhile would start other EC work, or change the ports under this one.
    const UserInputDrain drain(*this);
    QEventLoop until_done;
    port_work_running_ = true;
    std::thread worker([&] {
        work();
        QMetaObject::invokeMethod(&until_done, &QEventLoop::quit, Qt::QueuedConnection);
    });
    until_done.exec();
    worker.join();
    port_work_running_ = false;
    return true;
}

bool MainWindow::DoFlash(std::FILE* image) {
    FlashResult result;
    const uint8_t end_cmd = static_cast<uint8_t>(settings_.FlashEndCmd);
    const UiSettings settings = settings_;
    const EcPorts ports = ports_;
    flashing_ = true;
    const bool ran = RunOffWindowThread([&] {
        FlashRunOptions options;
        options.image = image;
        options.end_cmd = end_cmd;
        options.ports = ports;
        // The marks go to the console the window was started from, if any.
        options.progress = [](ChipProgress what) { std::fputs(ChipProgressText(what), stdout); };
        // The version is read once the run has passed with agreeing sums, and shown before the sum.
        options.version_settings = settings;
        result = DoFlashProcedure(options, [this](const FlashEvent& event) {
            QMetaObject::invokeMethod(
                this,
                [this, event] {
                    if (event.version) ShowFwVersionRead(event.version->read, event.version->text);
                    ShowFlashEvent(event);
                },
                Qt::QueuedConnection);
        });
    });
    flashing_ = false;
    return ran && FlashPassed(result);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!port_work_running_) return QWidget::closeEvent(event);
    // A half-written EC does not start again; a read of it ends by itself soon.
    event->ignore();
    dialogs::ShowMessage(QString::fromLatin1(flashing_ ? kCloseDuringFlashText : kCloseDuringReadText));
}

bool MainWindow::FlashOpenImage(std::FILE* image) {
    bool passed = false;
    {
        SetFlashButtonsEnabled(false);
        ui_->statusHistory->clear();
        // A half-written EC does not start again: sleep may not cut the run short (the caller
        // holds the signals until the run's record is written).
        SleepInhibitor no_sleep;
        passed = DoFlash(image);
    }
    std::fclose(image);
    return passed;
}

void MainWindow::SetStatusLine(const QString& text) {
    ui_->statusLabel->setText(text);
    ui_->statusLabel->repaint();
    EchoForScript(text);
}

void MainWindow::SetFlashButtonsEnabled(bool enabled) {
    ui_->flashButton->setEnabled(enabled);
    ui_->loadImageButton->setEnabled(enabled);
}

void MainWindow::onFlashClicked() {
    dialogs::ShowMessage(
        QStringLiteral("Please save the document is in use and turn off the use of the program before Flash EC!!"));
    if (!PortLibraryReady() || RefusedToStart(ports_, settings_.FlashEndCmd)) return;
    std::FILE* image = OpenImageOrTell(ui_->filePathLabel->text().toLocal8Bit().constData());
    if (image == nullptr) return;
    {
        const SignalHold signals_wait;  // acted on once the run's files are written
        UserInputDrain drain(*this);
        const bool passed = FlashOpenImage(image);
        if (passed && settings_.Shutdown != 0) WriteFilesThenRestart();
        WriteRunFilesIfSignalled();
    }
    SetFlashButtonsEnabled(true);
    onOpenWinClicked();
}

bool MainWindow::RunAutoFlash() {
    if (RefusedToStart(ports_, settings_.FlashEndCmd)) return false;
    const std::string name = settings_.BinName + ".Bin";
    std::FILE* image = OpenImageOrTell(name.c_str());
    if (image == nullptr) return false;
    ui_->filePathLabel->setText(QStringLiteral("USE ") + QString::fromLocal8Bit(name));
    const bool passed = FlashOpenImage(image);
    // The script that started the run reads the log: a pass it cannot see is no pass.
    const bool logged = RecordFlashOutcome(passed);
    if (!logged) SetStatusLine(QStringLiteral("Can't write %1!!").arg(QString::fromLatin1(kFlashLogName)));
    SetFlashButtonsEnabled(true);
    return passed && logged;
}

void MainWindow::WriteFilesThenRestart() {
    WriteRunFiles();
    SyncWorkingDirectory();
    RestartSystem();
}

void MainWindow::RestartSystem() {
    if (RequestRestart()) return;
    QStringList words;
    for (const std::string& word : RestartCommand()) words << QString::fromLocal8Bit(word);
    SetStatusLine(QStringLiteral("Restart failed: %1").arg(words.join(QLatin1Char(' '))));
}

void MainWindow::onShutdownTestClicked() {
    if (settings_.Shutdown != 0) WriteFilesThenRestart();
}
