// "uiset.ini" into the Setting tab and back, and the tab's Set button.

#include <QCoreApplication>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "hw/ec_channel.h"
#include "hw/ec_ports.h"
#include "settings/int_convert.h"
#include "settings/settings_file.h"
#include "ui_Unit1.h"

uint8_t g_SettingBusy = 0;

namespace {

constexpr const char* kSettingsFileName = "uiset.ini";
constexpr const char* kSettingsLoadFailText = "ini Load fail,pls check uiset.ini!!";
constexpr const char* kSettingBusyText = "Pls wait Setting!!";

// The reader's side of the Setting tab. Each value goes through the control's normal state
// change, so the handlers run exactly as they would for the user.
class TabControls final : public SettingsControls {
public:
    explicit TabControls(Ui::TForm1& ui) : ui_(ui) {}

    void SetPortTexts(const std::string& data_port, const std::string& cmd_port) override {
        ui_.Edt_DATA_PORT->setText(QString::fromLocal8Bit(data_port));
        ui_.Edt_CMD_PORT->setText(QString::fromLocal8Bit(cmd_port));
    }
    void SetVersionShown(bool shown) override {
        ui_.ChkBox_EC_ver->setChecked(shown);
        ui_.Label13->setVisible(shown);
        ui_.Lbl_FW_ver->setVisible(shown);
    }
    void SelectHexDisplay(bool on) override { Select(on, ui_.RdoBtn_hex_disp_on, ui_.RdoBtn_hex_disp_off); }
    void SelectReadMethodBram(bool bram) override {
        Select(bram, ui_.RdoBtn_BRAM_set, ui_.RdoBtn_ECSPACE_set);
        ui_.GroupBox6->setVisible(bram);
    }
    void SelectIo4E(bool io_4e) override { Select(io_4e, ui_.RdoBtn_IO4E, ui_.RdoBtn_IO2E); }
    void SelectBank1(bool bank1) override { Select(bank1, ui_.RdoBtn_slt_bank1, ui_.RdoBtn_slt_bank0); }
    void SelectReadBytes5(bool five) override { Select(five, ui_.RdoBtn_Read_byte5, ui_.RdoBtn_Read_byte2); }

private:
    static void Select(bool first, QRadioButton* if_true, QRadioButton* if_false) {
        (first ? if_true : if_false)->setChecked(true);
    }
    Ui::TForm1& ui_;
};

// Port edits hold bare hexadecimal digits.
std::string PortText(const QLineEdit* edit) { return "0x" + edit->text().toLocal8Bit().toStdString(); }

}  // namespace

bool TForm1::LoadSettings() {
    TabControls controls(*ui_);
    const SettingsLoadResult result = LoadSettingsFile(kSettingsFileName, settings_, controls);
    switch (result.status) {
    case SettingsLoadStatus::Loaded:
        return true;
    case SettingsLoadStatus::CannotOpen:
        dialogs::ShowMessage(QString::fromLatin1(kSettingsLoadFailText));
        // Posted: the message loop has not started yet, and ends as soon as it does.
        QMetaObject::invokeMethod(this, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        return true;
    case SettingsLoadStatus::BadValue:
        dialogs::ShowError(QString::fromLocal8Bit(result.error));
        return false;
    }
    return false;
}

void TForm1::SaveSettings() { SaveSettingsFile(kSettingsFileName, settings_); }

std::optional<TForm1::EcPorts> TForm1::ReadPortEdits() {
    // Both texts are converted before any port changes, so a rejected one leaves the pair
    // in use as it was.
    const std::string cmd_text = PortText(ui_->Edt_CMD_PORT);
    const std::optional<int32_t> cmd = ParseInt(cmd_text);
    if (!cmd) {
        dialogs::ShowError(QString::fromLocal8Bit(InvalidIntegerMessage(cmd_text)));
        return std::nullopt;
    }
    const std::string data_text = PortText(ui_->Edt_DATA_PORT);
    const std::optional<int32_t> data = ParseInt(data_text);
    if (!data) {
        dialogs::ShowError(QString::fromLocal8Bit(InvalidIntegerMessage(data_text)));
        return std::nullopt;
    }
    return EcPorts{*cmd, *data};
}

void TForm1::UsePorts(const EcPorts& ports) {
    g_StatusPort = ports.cmd;
    g_CmdPort = ports.cmd;
    g_DataPort = ports.data;
}

void TForm1::Btn_Set_CMDPORTClick() {
    if (g_SettingBusy == 1) {
        dialogs::ShowMessage(QString::fromLatin1(kSettingBusyText));
        return;
    }
    if (!PortLibraryReady()) return;
    g_SettingBusy = 1;
    struct BusyReset {
        ~BusyReset() { g_SettingBusy = 0; }
    } busy_reset;

    const std::optional<EcPorts> ports = ReadPortEdits();
    if (!ports) return;
    // A pair that cannot reach the EC is refused whole; the pair in use stays.
    const std::string refusal = EC_PortRangeError(ports->cmd, ports->data);
    if (!refusal.empty()) {
        dialogs::ShowMessage(QString::fromStdString(refusal));
        return;
    }
    UsePorts(*ports);
    settings_.AcpiPort = g_DataPort;
    // A group with neither button selected counts as its second choice.
    settings_.FwVersionShow = ui_->ChkBox_EC_ver->isChecked() ? 1 : 0;
    settings_.ReadMethod = ui_->RdoBtn_ECSPACE_set->isChecked() ? 0 : 1;
    settings_.SioSelect = ui_->RdoBtn_IO2E->isChecked() ? 0 : 1;
    settings_.BramBank = ui_->RdoBtn_slt_bank0->isChecked() ? 0 : 1;
    settings_.ReadBytes = ui_->RdoBtn_Read_byte2->isChecked() ? 0 : 1;
    settings_.HexDisplay = ui_->RdoBtn_hex_disp_off->isChecked() ? 0 : 1;
    ShowFwVersion();
    ShowChipId();
}
