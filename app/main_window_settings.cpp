// SPDX-License-Identifier: GPL-3.0-or-later
// "uiset.ini" into the Setting tab and back, and the tab's Set button.

#include <QCoreApplication>

#include "app/main_window.h"
#include "app/dialogs.h"
#include "app/run_mode.h"
#include "hw/ec_channel.h"
#include "hw/ec_ports.h"
#include "hw/ec_session.h"
#include "platform/signal_hold.h"
#include "settings/int_convert.h"
#include "settings/settings_file.h"
#include "ui_main_window.h"

uint8_t g_SettingBusy = 0;

namespace {

constexpr const char* kSettingsFileName = "uiset.ini";
constexpr const char* kSettingsLoadFailText = "ini Load fail,pls check uiset.ini!!";
constexpr const char* kSettingBusyText = "Pls wait Setting!!";

// Port edits hold bare hexadecimal digits.
std::string PortText(const QLineEdit* edit) { return "0x" + edit->text().toLocal8Bit().toStdString(); }

QString FourHexDigits(int32_t value) { return QString::asprintf("%04X", static_cast<unsigned>(value)); }

void Select(bool first, QRadioButton* if_true, QRadioButton* if_false) { (first ? if_true : if_false)->setChecked(true); }

}  // namespace

bool MainWindow::LoadSettings() {
    settings_read_ = LoadSettingsFile(kSettingsFileName);
    ApplyToTab(settings_read_.values, settings_read_.values_read);
    settings_ = SettingsInEffect(settings_read_);
    // Before any box: a box of an unattended run must not wait for a person.
    EnterRunMode();
    switch (settings_read_.status) {
    case SettingsLoadStatus::Loaded:
        return true;
    case SettingsLoadStatus::CannotOpen:
    case SettingsLoadStatus::NotRegularFile: {
        QString text = QString::fromLatin1(kSettingsLoadFailText);
        if (!settings_read_.error.empty()) text += QLatin1Char(' ') + QString::fromLocal8Bit(settings_read_.error);
        dialogs::ShowMessage(text);
        // Posted: the message loop has not started yet, and ends as soon as it does.
        QMetaObject::invokeMethod(this, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        return true;
    }
    case SettingsLoadStatus::BadValue:
        dialogs::ShowError(QString::fromLocal8Bit(settings_read_.error));
        return false;
    }
    return false;
}

void MainWindow::ApplyToTab(const UiSettings& v, int count) {
    if (count >= kValueAcpiPort) {
        ui_->dataPortEdit->setText(FourHexDigits(v.AcpiPort));
        ui_->cmdPortEdit->setText(FourHexDigits(static_cast<int32_t>(static_cast<uint32_t>(v.AcpiPort) + 4)));
    }
    if (count >= kValueFwVersionShow) {
        const bool shown = v.FwVersionShow != 0;
        ui_->versionCheckBox->setChecked(shown);
        ui_->fwVersionCaptionLabel->setVisible(shown);
        ui_->fwVersionLabel->setVisible(shown);
    }
    if (count >= kValueHexDisplay) Select(v.HexDisplay != 0, ui_->hexDisplayOnRadio, ui_->hexDisplayOffRadio);
    if (count >= kValueReadMethod) {
        Select(v.ReadMethod != 0, ui_->readBramRadio, ui_->readEcSpaceRadio);
        ui_->bramSettingGroup->setVisible(v.ReadMethod != 0);
    }
    if (count >= kValueSioSelect) Select(v.SioSelect != 0, ui_->sioPort4eRadio, ui_->sioPort2eRadio);
    if (count >= kValueBramBank) Select(v.BramBank != 0, ui_->bramBank1Radio, ui_->bramBank0Radio);
    if (count >= kValueReadBytes) Select(v.ReadBytes != 0, ui_->read5BytesRadio, ui_->read2BytesRadio);
}

void MainWindow::EnterRunMode() {
    // The log belongs to the run that holds the lock: a run refused for another's flash
    // must not overwrite that flash's outcome.
    const bool owns_files = creation_session_ && creation_session_->open();
    if (settings_read_.values_read < kValueAutoFlash) {
        // Whether a script waits for the log cannot be told: a log an earlier run left must
        // not vouch for this one.
        SetRunMode(RunMode::Unknown, false);
        if (owns_files) WithdrawStaleFlashLog();
        return;
    }
    const bool unattended = settings_.AutoFlash == 1;
    SetRunMode(unattended ? RunMode::Unattended : RunMode::Interactive, settings_.SilentRun != 0);
    // Before anything is touched: whatever ends this run early, no earlier PASS survives it.
    if (unattended && owns_files) ClaimFlashLog();
}

void MainWindow::SaveSettings() {
    SaveSettingsFile(kSettingsFileName, settings_, settings_read_.status == SettingsLoadStatus::Loaded);
}

std::optional<MainWindow::PortEdits> MainWindow::ReadPortEdits() {
    // Both texts are converted before any port changes, so a rejected one leaves the pair
    // in use as it was.
    const std::string cmd_text = PortText(ui_->cmdPortEdit);
    const std::optional<int32_t> cmd = ParseInt(cmd_text);
    if (!cmd) {
        dialogs::ShowError(QString::fromLocal8Bit(InvalidIntegerMessage(cmd_text)));
        return std::nullopt;
    }
    const std::string data_text = PortText(ui_->dataPortEdit);
    const std::optional<int32_t> data = ParseInt(data_text);
    if (!data) {
        dialogs::ShowError(QString::fromLocal8Bit(InvalidIntegerMessage(data_text)));
        return std::nullopt;
    }
    return PortEdits{*cmd, *data};
}

void MainWindow::UsePorts(const PortEdits& edits) {
    ports_.command = edits.cmd;
    ports_.data = edits.data;
}

void MainWindow::onPortsSetClicked() {
    if (g_SettingBusy == 1) {
        dialogs::ShowMessage(QString::fromLatin1(kSettingBusyText));
        return;
    }
    if (!PortLibraryReady()) return;
    // Nothing changes while other EC work runs: the ports below are that work's too.
    const SignalHold signals_wait;
    const EcSession session(ports_);
    if (!session.open()) {
        dialogs::ShowMessage(QString::fromStdString(session.RefusalText()));
        return;
    }
    g_SettingBusy = 1;
    struct BusyReset {
        ~BusyReset() { g_SettingBusy = 0; }
    } busy_reset;

    const std::optional<PortEdits> ports = ReadPortEdits();
    if (!ports) return;
    // A pair that cannot reach the EC is refused whole; the pair in use stays.
    const std::string refusal = EC_PortRangeError(ports->cmd, ports->data);
    if (!refusal.empty()) {
        dialogs::ShowMessage(QString::fromStdString(refusal));
        return;
    }
    UsePorts(*ports);
    settings_.AcpiPort = ports_.data;
    // A group with neither button selected counts as its second choice.
    settings_.FwVersionShow = ui_->versionCheckBox->isChecked() ? 1 : 0;
    settings_.ReadMethod = ui_->readEcSpaceRadio->isChecked() ? 0 : 1;
    settings_.SioSelect = ui_->sioPort2eRadio->isChecked() ? 0 : 1;
    settings_.BramBank = ui_->bramBank0Radio->isChecked() ? 0 : 1;
    settings_.ReadBytes = ui_->read2BytesRadio->isChecked() ? 0 : 1;
    settings_.HexDisplay = ui_->hexDisplayOffRadio->isChecked() ? 0 : 1;
    ShowFwVersion();
    ShowChipId();
    WriteRunFilesIfSignalled();
}
