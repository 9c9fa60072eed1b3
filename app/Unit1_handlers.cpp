// Handlers that change only the window itself: expanding and collapsing, showing and
// hiding option groups, choosing the image, and the live Super I/O selection.

#include <QMouseEvent>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "hw/super_io.h"
#include "ui_Unit1.h"

namespace {

constexpr int kClientWidth = 510;
// The window description's frame: a 225-pixel client area has the outer height 253.
constexpr int kFrameHeight = 253 - 225;
constexpr Qt::WindowFlags kFixedSingleBorder = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

}  // namespace

void TForm1::ConnectHandlers() {
    connect(ui_->Btn_loadFILE, &QPushButton::clicked, this, &TForm1::Btn_loadFILEClick);
    connect(ui_->Btn_Flash, &QPushButton::clicked, this, &TForm1::Btn_FlashClick);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui_->Btn_ClsWin, &QPushButton::clicked, this, &TForm1::Btn_ClsWinClick);
    connect(ui_->Btn_openwin, &QPushButton::clicked, this, &TForm1::Btn_openwinClick);
    connect(ui_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(ui_->Btn_Set_CMDPORT, &QPushButton::clicked, this, &TForm1::Btn_Set_CMDPORTClick);
    connect(ui_->Btn_get_checksun_BIN, &QPushButton::clicked, this, &TForm1::Btn_get_checksun_BINClick);
    connect(ui_->Btn_get_checksun_ROM, &QPushButton::clicked, this, &TForm1::Btn_get_checksun_ROMClick);
    connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    ui_->Lbl_status->installEventFilter(this);

    // Every change of the check box runs its handler, whoever made it.
    connect(ui_->ChkBox_EC_ver, &QCheckBox::toggled, this, &TForm1::ChkBox_EC_verClick);
    OnSelected(ui_->RdoBtn_ECSPACE_set, &TForm1::RdoBtn_ECSPACE_setClick);
    OnSelected(ui_->RdoBtn_BRAM_set, &TForm1::RdoBtn_BRAM_setClick);
    OnSelected(ui_->RdoBtn_IO2E, &TForm1::RdoBtn_IO2EClick);
    OnSelected(ui_->RdoBtn_IO4E, &TForm1::RdoBtn_IO4EClick);
    OnSelected(ui_->RdoBtn_slt_bank0, &TForm1::RdoBtn_slt_bank0Click);
    OnSelected(ui_->RdoBtn_slt_bank1, &TForm1::RdoBtn_slt_bank1Click);
    OnSelected(ui_->RdoBtn_FW_md1, &TForm1::RdoBtn_FW_md1Click);
    OnSelected(ui_->RdoBtn_FW_md2, &TForm1::RdoBtn_FW_md2Click);
    OnSelected(ui_->RdoBtn_FW_md3, &TForm1::RdoBtn_FW_md3Click);
    OnSelected(ui_->RdoBtn_FW_md4, &TForm1::RdoBtn_FW_md4Click);
}

void TForm1::OnSelected(QAbstractButton* button, void (TForm1::*handler)()) {
    // A radio button's handler runs when it becomes selected, by the user or by code;
    // selecting it again, or another button deselecting it, runs nothing.
    connect(button, &QAbstractButton::toggled, this, [this, handler](bool checked) {
        if (checked) (this->*handler)();
    });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->Lbl_status && event->type() == QEvent::MouseButtonDblClick) Lbl_statusDblClick();
    return QWidget::eventFilter(watched, event);
}

void TForm1::SetOuterHeight(int outer_height) { setFixedSize(kClientWidth, outer_height - kFrameHeight); }

void TForm1::ApplyFixedSingleBorder() {
    // Changing the flags of a shown window hides it again: only change what differs.
    if (windowFlags() != kFixedSingleBorder) setWindowFlags(kFixedSingleBorder);
}

void TForm1::Btn_loadFILEClick() {
    const std::optional<QString> path = dialogs::OpenFile(this, QStringLiteral("BIN FILE (*.bin)"));
    if (!path) return;
    ui_->Lbl_FilePath->setText(*path);
    ui_->Lbl_status->setText(QStringLiteral("Ready"));
    ui_->ProgressBar1->setValue(0);
    ui_->Lbl_Process->setText(QStringLiteral("0"));
}

void TForm1::Lbl_statusDblClick() { SetOuterHeight(kExpandedOuterHeight); }

void TForm1::Button2Click() { SetOuterHeight(kCollapsedOuterHeight); }

void TForm1::ChkBox_EC_verClick() {
    const bool ticked = ui_->ChkBox_EC_ver->isChecked();
    ui_->Panel1->setVisible(ticked);
    ui_->Label13->setVisible(ticked);
    ui_->Lbl_FW_ver->setVisible(ticked);
}

void TForm1::RdoBtn_ECSPACE_setClick() { ui_->GroupBox6->setVisible(false); }

void TForm1::RdoBtn_BRAM_setClick() { ui_->GroupBox6->setVisible(true); }

void TForm1::UpdateBramSettingFromFwMode() { ui_->GroupBox6->setVisible(!ui_->RdoBtn_FW_md4->isChecked()); }

void TForm1::RdoBtn_FW_md1Click() { UpdateBramSettingFromFwMode(); }

void TForm1::RdoBtn_FW_md2Click() { UpdateBramSettingFromFwMode(); }

void TForm1::RdoBtn_FW_md3Click() { UpdateBramSettingFromFwMode(); }

void TForm1::RdoBtn_FW_md4Click() { UpdateBramSettingFromFwMode(); }

void TForm1::RdoBtn_IO2EClick() { SIO_SetIndexPort(0x2E); }

void TForm1::RdoBtn_IO4EClick() { SIO_SetIndexPort(0x4E); }

void TForm1::RdoBtn_slt_bank0Click() { SIO_SetBramBank(0); }

void TForm1::RdoBtn_slt_bank1Click() { SIO_SetBramBank(1); }

void TForm1::Btn_ClsWinClick() {}

void TForm1::Btn_openwinClick() { ApplyFixedSingleBorder(); }
