// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: a thin adapter between its controls and the core operations. Each
// source file holds one job: lifecycle (main_window.cpp), window-only handlers
// (main_window_handlers.cpp), settings and the Set button (main_window_settings.cpp), chip ID and
// version labels (main_window_chip.cpp), flash and checksum entry points (main_window_flash.cpp,
// main_window_checksum.cpp).

#include <QWidget>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "flash/checksum_tools.h"
#include "hw/ec_ports.h"
#include "settings/settings_file.h"
#include "settings/ui_settings.h"

namespace Ui {
class MainWindow;
}
class QAbstractButton;
class EcSession;
struct FlashEvent;
enum class FwReadResult;

/// 1 while the Setting tab's Set action runs: a second start meanwhile is refused.
extern uint8_t g_SettingBusy;

class MainWindow : public QWidget {
    Q_OBJECT

public:
    /// Builds the window from its description and runs FormCreate.
    explicit MainWindow(QWidget* parent = nullptr);
    /// Runs FormDestroy while every control still exists.
    ~MainWindow() override;

    /// True when window creation could not open the port library, or another program was
    /// working with the EC: the window must never be shown, and the program ends once the window is
    /// destroyed, with the status RequestedExitStatus gives (1 for an unattended run, else 0).
    bool EndsAtStart() const { return ends_at_start_; }
    /// Where the window's EC work goes now.
    const EcPorts& ports() const { return ports_; }
    /// Why this run would wait for a person at its window (an interactive run, or settings
    /// that stopped before saying whether the run is unattended); nullopt for a run that
    /// ends by itself.
    std::optional<QString> WhyAPersonIsNeeded() const;
    /// The exit status an activation asked for (unattended or version-only run), if any.
    std::optional<int> RequestedExitStatus() const { return exit_status_; }
    const UiSettings& Settings() const { return settings_; }

    void SaveSettings();
    void ShowFwVersion();
    /// Shows a version read made elsewhere (the flash's thread) as ShowFwVersion would.
    void ShowFwVersionRead(FwReadResult read, const std::string& text);
    /// True from the start of a flash's or ROM read's thread until it has ended.
    bool FlashRunning() const { return port_work_running_; }
    /// Runs the flash procedure on the open image, showing its steps; true when it passed.
    bool DoFlash(std::FILE* image);
    /// Kilobytes the ROM checksum reads; changed only by the ROM size "Set" button.
    int32_t RomSizeK() const { return rom_size_k_; }
    /// The status line's caption, shown at once; also on standard error while nobody watches.
    void SetStatusLine(const QString& text);
    /// Shows one step of a flash run in the status controls.
    void ShowFlashEvent(const FlashEvent& event);

public slots:
    void onLoadImageClicked();
    void onStatusDoubleClicked();
    void onScrollUpClicked();
    void onVersionCheckToggled();
    void onReadEcSpaceSelected();
    void onReadBramSelected();
    void onFwMethodBram10Selected();
    void onFwMethodBram12Selected();
    void onFwMethodBram20Selected();
    void onFwMethodEcSpaceSelected();
    void onSioPort2eSelected();
    void onSioPort4eSelected();
    void onBramBank0Selected();
    void onBramBank1Selected();
    void onDisWinClicked();
    void onOpenWinClicked();
    void onPortsSetClicked();
    void onFlashClicked();
    void onShutdownTestClicked();
    void onBinChecksumClicked();
    void onRomChecksumClicked();
    void onRomSizeSetClicked();

protected:
    // Overridable so that tests stand in for the flash workflow and never restart anything.
    virtual bool RunAutoFlash();
    virtual void RestartSystem();

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Outer heights of the window: the status history out of view, and in view.
    static constexpr int kCollapsedOuterHeight = 253;
    static constexpr int kExpandedOuterHeight = 390;

    struct PortEdits {
        int cmd;
        int data;
    };

    void FormCreate();
    void FormActivate();
    void FormDestroy();
    /// False when reading stopped at a rejected value: window creation ends there.
    bool LoadSettings();
    /// Values 1 to `count` of `values` into the Setting tab, in file order, each through the
    /// control's normal state change so that its handler runs as for the user.
    void ApplyToTab(const UiSettings& values, int count);
    /// Decides who watches from what the settings said, and takes over the log accordingly.
    void EnterRunMode();
    /// The destruction's file steps, in an EC session: settings, a fresh version reading, the
    /// version record. Says on standard error when another program's session keeps them out.
    void WriteRunFiles();
    /// A signal held during EC work ends the program only after the run's files are written,
    /// as a close would write them; called just before the outermost hold ends.
    void WriteRunFilesIfSignalled();
    /// A restart ends the session: everything the run leaves behind is written first.
    void WriteFilesThenRestart();

    void ConnectHandlers();
    void OnSelected(QAbstractButton* button, void (MainWindow::*handler)());
    void SetOuterHeight(int outer_height);
    void ApplyFixedSingleBorder();
    void UpdateBramSettingFromFwMode();

    /// True when the creation's EC session is open; otherwise tells why the run ends at once,
    /// without touching a port or a file.
    bool TakeSessionLock();
    void RunUnattended();
    void EndRun(int status);
    /// True while the port library is open; otherwise shows why nothing can be done.
    bool PortLibraryReady();
    /// Both port edits converted, or nullopt after the error box for the first rejected one.
    std::optional<PortEdits> ReadPortEdits();
    void UsePorts(const PortEdits& edits);
    void ShowChipId();
    /// Runs the flash procedure on `image` with the flash buttons disabled and the history
    /// cleared, then closes the image; true when the flash passed.
    bool FlashOpenImage(std::FILE* image);
    void SetFlashButtonsEnabled(bool enabled);
    /// Runs `work` on a thread of its own while the window's message loop goes on, dropping the
    /// window's input meanwhile; returns once it has ended and everything it posted to the
    /// window has been shown. False, with
    /// `work` not run, while the port library is not open: a thread started before it would
    /// lack the port rights the library's opening grants.
    bool RunOffWindowThread(const std::function<void()>& work);

    std::unique_ptr<Ui::MainWindow> ui_;
    UiSettings settings_;
    // Where the window's EC work goes: the port pair last set, the Super I/O choices last made.
    EcPorts ports_;
    // Open while the window is created: the EC and the run's files are this program's then.
    // Every later piece of EC work opens a session of its own, so an idle window blocks nobody.
    std::unique_ptr<EcSession> creation_session_;
    bool session_refused_ = false;
    bool ends_at_start_ = false;
    bool activated_once_ = false;
    bool unattended_run_started_ = false;
    bool destroying_ = false;
    bool port_work_running_ = false;  // a flash or a ROM read runs on its own thread
    bool flashing_ = false;           // ... and it is a flash
    bool run_files_written_ = false;  // an unattended run wrote them before its restart
    int32_t rom_size_k_ = kDefaultRomSizeK;
    SettingsLoadResult settings_read_;
    std::optional<int> exit_status_;
};
