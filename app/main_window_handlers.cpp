// SPDX-License-Identifier: GPL-3.0-or-later
// Handlers that change only the window itself: expanding and collapsing, showing and
// hiding option groups, choosing the image, and the live Super I/O selection.

#include <QMouseEvent>

#include "app/main_window.h"
#include "app/dialogs.h"
#include "hw/ec_ports.h"
#include "ui_main_window.h"

namespace {

constexpr int kClientWidth = 510;
// The window description's frame: a 225-pixel client area has the outer height 253.
constexpr int kFrameHeight = 253 - 225;
constexpr Qt::WindowFlags kFixedSingleBorder = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                               Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

}  // namespace

void MainWindow::ConnectHandlers() {
    connect(ui_->loadImageButton, &QPushButton::clicked, this, &MainWindow::onLoadImageClicked);
    connect(ui_->flashButton, &QPushButton::clicked, this, &MainWindow::onFlashClicked);
    connect(ui_->scrollUpButton, &QPushButton::clicked, this, &MainWindow::onScrollUpClicked);
    connect(ui_->disWinButton, &QPushButton::clicked, this, &MainWindow::onDisWinClicked);
    connect(ui_->openWinButton, &QPushButton::clicked, this, &MainWindow::onOpenWinClicked);
    connect(ui_->shutdownTestButton, &QPushButton::clicked, this, &MainWindow::onShutdownTestClicked);
    connect(ui_->portsSetButton, &QPushButton::clicked, this, &MainWindow::onPortsSetClicked);
    connect(ui_->binChecksumButton, &QPushButton::clicked, this, &MainWindow::onBinChecksumClicked);
    connect(ui_->romChecksumButton, &QPushButton::clicked, this, &MainWindow::onRomChecksumClicked);
    connect(ui_->romSizeSetButton, &QPushButton::clicked, this, &MainWindow::onRomSizeSetClicked);
    ui_->statusLabel->installEventFilter(this);

    // Every change of the check box runs its handler, whoever made it.
    connect(ui_->versionCheckBox, &QCheckBox::toggled, this, &MainWindow::onVersionCheckToggled);
    OnSelected(ui_->readEcSpaceRadio, &MainWindow::onReadEcSpaceSelected);
    OnSelected(ui_->readBramRadio, &MainWindow::onReadBramSelected);
    OnSelected(ui_->sioPort2eRadio, &MainWindow::onSioPort2eSelected);
    OnSelected(ui_->sioPort4eRadio, &MainWindow::onSioPort4eSelected);
    OnSelected(ui_->bramBank0Radio, &MainWindow::onBramBank0Selected);
    OnSelected(ui_->bramBank1Radio, &MainWindow::onBramBank1Selected);
    OnSelected(ui_->fwMethodBram10Radio, &MainWindow::onFwMethodBram10Selected);
    OnSelected(ui_->fwMethodBram12Radio, &MainWindow::onFwMethodBram12Selected);
    OnSelected(ui_->fwMethodBram20Radio, &MainWindow::onFwMethodBram20Selected);
    OnSelected(ui_->fwMethodEcSpaceRadio, &MainWindow::onFwMethodEcSpaceSelected);
}

void MainWindow::OnSelected(QAbstractButton* button, void (MainWindow::*handler)()) {
    // A radio button's handler runs when it becomes selected, by the user or by code;
    // selecting it again, or another button deselecting it, runs nothing.
    connect(button, &QAbstractButton::toggled, this, [this, handler](bool checked) {
        if (checked) (this->*handler)();
    });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_->statusLabel && event->type() == QEvent::MouseButtonDblClick) onStatusDoubleClicked();
    return QWidget::eventFilter(watched, event);
}

void MainWindow::SetOuterHeight(int outer_height) { setFixedSize(kClientWidth, outer_height - kFrameHeight); }

void MainWindow::ApplyFixedSingleBorder() {
    // Changing the flags of a shown window hides it again: only change what differs.
    if (windowFlags() != kFixedSingleBorder) setWindowFlags(kFixedSingleBorder);
}

void MainWindow::onLoadImageClicked() {
    const std::optional<QString> path = dialogs::OpenFile(this, QStringLiteral("BIN FILE (*.bin)"));
    if (!path) return;
    ui_->filePathLabel->setText(*path);
    ui_->statusLabel->setText(QStringLiteral("Ready"));
    ui_->progressBar->setValue(0);
    ui_->percentLabel->setText(QStringLiteral("0"));
}

void MainWindow::onStatusDoubleClicked() { SetOuterHeight(kExpandedOuterHeight); }

void MainWindow::onScrollUpClicked() { SetOuterHeight(kCollapsedOuterHeight); }

void MainWindow::onVersionCheckToggled() {
    const bool ticked = ui_->versionCheckBox->isChecked();
    ui_->versionOptionsPanel->setVisible(ticked);
    ui_->fwVersionCaptionLabel->setVisible(ticked);
    ui_->fwVersionLabel->setVisible(ticked);
}

void MainWindow::onReadEcSpaceSelected() { ui_->bramSettingGroup->setVisible(false); }

void MainWindow::onReadBramSelected() { ui_->bramSettingGroup->setVisible(true); }

void MainWindow::UpdateBramSettingFromFwMode() { ui_->bramSettingGroup->setVisible(!ui_->fwMethodEcSpaceRadio->isChecked()); }

void MainWindow::onFwMethodBram10Selected() { UpdateBramSettingFromFwMode(); }

void MainWindow::onFwMethodBram12Selected() { UpdateBramSettingFromFwMode(); }

void MainWindow::onFwMethodBram20Selected() { UpdateBramSettingFromFwMode(); }

void MainWindow::onFwMethodEcSpaceSelected() { UpdateBramSettingFromFwMode(); }

void MainWindow::onSioPort2eSelected() { ports_.sio_index = SioIndexPortFor(false); }

void MainWindow::onSioPort4eSelected() { ports_.sio_index = SioIndexPortFor(true); }

void MainWindow::onBramBank0Selected() { ports_.bram_base_reg = BramBaseRegFor(0); }

void MainWindow::onBramBank1Selected() { ports_.bram_base_reg = BramBaseRegFor(1); }

void MainWindow::onDisWinClicked() {}

void MainWindow::onOpenWinClicked() { ApplyFixedSingleBorder(); }
