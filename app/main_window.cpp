// SPDX-License-Identifier: GPL-3.0-or-later
// Lifecycle of the main window: creation, activation, destruction, and how a run ends.

#include "app/main_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <cstdio>

#include "app/dialogs.h"
#include "app/theme.h"
#include "app/run_mode.h"
#include "hw/ec_ports.h"
#include "hw/port_io.h"
#include "hw/ec_session.h"
#include "platform/signal_hold.h"
#include "version/fw_version.h"
#include "ui_main_window.h"

namespace {

constexpr const char* kVersionFileName = "EC_version.txt";
constexpr const char* kActivationWarningText =
    "Don't touch peripheral device or Remove AC power while EC Update processing!!";
constexpr const char* kActivationWarningCaption = "Ardeno EC Update";

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::MainWindow>()) {
    // Flags first: changing them later re-creates the native window and re-styles every
    // control.
    ApplyFixedSingleBorder();
    ui_->setupUi(this);
    UsePixelFonts(this);
    SetOuterHeight(kCollapsedOuterHeight);
    setWindowOpacity(0.0);  // transparent until the first activation
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    dialogs::SetBoxOwner(this);
    // One of the program's own boxes closing over the window activates it again.
    dialogs::SetOwnBoxClosedHandler([this] {
        if (activated_once_ && isVisible() && !destroying_) FormActivate();
    });
    ConnectHandlers();
    FormCreate();
    creation_session_.reset();
}

MainWindow::~MainWindow() {
    FormDestroy();
    dialogs::SetOwnBoxClosedHandler({});
}

void MainWindow::FormCreate() {
    // One program at a time talks to the EC and writes the run's files, from before the
    // creation's first port access or file write until after its last.
    creation_session_ = std::make_unique<EcSession>();
    const bool settings_loaded = LoadSettings();
    if (!TakeSessionLock()) return;
    if (!settings_loaded) return;
    if (!IO_Open()) {
        ends_at_start_ = true;
        // An unattended run that cannot reach the ports has not passed, and says why.
        if (CurrentRunMode() == RunMode::Unattended) {
            EchoForScript(QString::fromLatin1(kPortLibraryFailText));
            exit_status_ = 1;
        }
        return;
    }
    const std::optional<PortEdits> ports = ReadPortEdits();
    if (ports) {
        // Ports out of range stay in use as taken, so that every EC operation refuses them;
        // they are refused before any port, the Super I/O's included, is touched.
        UsePorts(*ports);
        const std::string refusal = EC_PortsInUseError(ports_);
        if (!refusal.empty()) {
            dialogs::ShowMessage(QString::fromStdString(refusal));
            return;
        }
    }
    ShowChipId();
    if (!ports) return;
    ShowFwVersion();
}

void MainWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (activated_once_ || event->spontaneous()) return;
    // The first show is the first activation, whether or not the window manager hands this
    // window the focus: an unattended run started by a script must never wait for it.
    // Coming back from another program later is no new activation.
    activateWindow();
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (activated_once_ || destroying_) return;
            activated_once_ = true;
            FormActivate();
        },
        Qt::QueuedConnection);
}

void MainWindow::FormActivate() {
    // Once an unattended run has started or the run's end was asked for, an activation
    // (a box closing over the window) must not start anything a second time.
    if (unattended_run_started_ || exit_status_ || destroying_) return;
    // A silent run shows nothing, and nobody is there to read the warning.
    if (settings_.WarningShow != 0 && settings_.SilentRun == 0)
        dialogs::ShowSystemWarning(QString::fromLatin1(kActivationWarningText),
                                   QString::fromLatin1(kActivationWarningCaption));
    if (settings_.AutoFlash == 1) {
        RunUnattended();
        return;
    }
    setWindowOpacity(1.0);
    if (settings_.FwVersionShow == 2) EndRun(0);
}

void MainWindow::RunUnattended() {
    // Acted on once the log and the run's files are written.
    const SignalHold signals_wait;
    unattended_run_started_ = true;
    // A hidden window has no taskbar entry either: a silent run shows nothing at all.
    if (settings_.SilentRun != 0)
        hide();
    else
        setWindowOpacity(1.0);
    bool passed = false;
    try {
        // Settings that stopped loading part-way leave the port library closed.
        passed = PortLibraryReady() && RunAutoFlash();
        if (passed && settings_.Shutdown == 1) {
            WriteFilesThenRestart();
            run_files_written_ = true;  // the restart stays the run's last act
        }
    } catch (...) {
        EndAbnormally(CurrentErrorText());
        passed = false;
    }
    WriteRunFilesIfSignalled();
    EndRun(passed ? 0 : 1);
}

void MainWindow::EndRun(int status) {
    exit_status_ = status;
    // Queued, because the activation may come before the message loop runs (some platforms
    // activate while showing), and an exit asked for outside the loop would be lost.
    QMetaObject::invokeMethod(this, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
}

bool MainWindow::TakeSessionLock() {
    if (creation_session_->open()) return true;
    std::fprintf(stderr, "%s\n", creation_session_->RefusalText().c_str());
    std::fflush(stderr);
    session_refused_ = true;
    ends_at_start_ = true;
    // A script learns it from the exit status; a person from the box.
    if (settings_.AutoFlash == 1) {
        exit_status_ = 1;
    } else {
        dialogs::ShowMessage(QString::fromStdString(creation_session_->RefusalText()));
    }
    return false;
}

void MainWindow::FormDestroy() {
    destroying_ = true;
    // The files and the EC belong to the program that holds the lock.
    if (session_refused_) return;
    // Nothing may escape a destructor; the error is told and the library still unloaded.
    try {
        if (!run_files_written_) WriteRunFiles();
    } catch (...) {
        WriteErrorLine(CurrentErrorText());
    }
    IO_Close();
}

void MainWindow::WriteRunFiles() {
    const EcSession session;
    if (!session.open()) {
        WriteErrorLine(QStringLiteral("%1; uiset.ini and %2 were not written")
                           .arg(QString::fromStdString(session.RefusalText()), QString::fromLatin1(kVersionFileName)));
        return;
    }
    SaveSettings();
    ShowFwVersion();
    FW_WriteVersionFile(kVersionFileName, ui_->fwVersionLabel->text().toUtf8().toStdString());
}

void MainWindow::WriteRunFilesIfSignalled() {
    if (HeldSignal() == 0 || run_files_written_ || session_refused_) return;
    WriteRunFiles();
    run_files_written_ = true;
}

bool MainWindow::PortLibraryReady() {
    if (g_DriverOpen) return true;
    // Settings that stopped loading kept the library closed: the file is what needs fixing.
    if (settings_read_.status == SettingsLoadStatus::BadValue) {
        dialogs::ShowMessage(QStringLiteral("Pls check uiset.ini: %1")
                                 .arg(QString::fromLocal8Bit(SettingsProblemText(settings_read_))));
        return false;
    }
    dialogs::ShowMessage(QString::fromLatin1(kPortLibraryFailText));
    return false;
}

std::optional<QString> MainWindow::WhyAPersonIsNeeded() const {
    switch (settings_read_.status) {
    case SettingsLoadStatus::CannotOpen:
    case SettingsLoadStatus::NotRegularFile:
        return std::nullopt;  // the run ends by itself at once
    case SettingsLoadStatus::BadValue:
        if (settings_read_.values_read < kValueAutoFlash)
            return QStringLiteral("uiset.ini stopped at value %1 before AutoFlash, so the window would wait for a person")
                .arg(settings_read_.values_read + 1);
        break;
    case SettingsLoadStatus::Loaded:
        break;
    }
    if (settings_.AutoFlash == 1 || settings_.FwVersionShow == 2) return std::nullopt;
    return QStringLiteral("AutoFlash is not 1, so the window would wait for a person");
}
