// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window tests share: a fresh working directory per test, a settings file to
// start from, the simulated device at the port seam, a stand-in for the person who answers
// boxes, and a window whose flash workflow and restart are stand-ins.

#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/app_main.h"
#include "ini_text.h"
#include "app/dialogs.h"
#include "sim/in_process.h"
#include "sim/sim_device.h"

namespace apptest {

using testini::IniValues;

/// Writes "uiset.ini" into the current directory, lines ending in CR LF.
void WriteIni(const IniValues& values);
/// The file's bytes, or nullopt when it does not exist.
std::optional<std::string> ReadFile(const char* name);
/// A result file ("Flash_log.txt", "EC_version.txt") with this system's line ends read as
/// "\n", so one expectation holds on every platform.
std::optional<std::string> ReadTextFile(const char* name);

/// What the program writes to standard error while the guard lives.
class StderrCapture {
public:
    StderrCapture();
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;
    /// Everything written so far.
    QString Text() const;

private:
    int saved_fd_;
    std::FILE* file_;
};

/// A fresh temporary working directory and the program's module state at its start values.
class TestDirectory {
public:
    TestDirectory();
    ~TestDirectory();

private:
    QString previous_;
    std::unique_ptr<QTemporaryDir> dir_;
};

/// The simulated device at the port seam. The port library counts as not yet open, as at
/// program start: only IO_Open opens it.
class SimRig {
public:
    explicit SimRig(const sim::Config& config = sim::Config{});
    sim::Device device;

private:
    sim::InProcess io_;
};

/// Answers every box with its one button and records it; answers the file-open dialog
/// with `open_file_answer`.
class BoxRecorder : public dialogs::Hook {
public:
    BoxRecorder() : scope_(*this) {}
    void OnBox(const dialogs::Box& box) override;
    std::optional<QString> OnOpenFile(const QString& filter) override;

    std::vector<dialogs::Box> boxes;
    std::function<void(const dialogs::Box&)> on_box;  // runs while the box is "open"
    std::optional<QString> open_file_answer;
    QString open_file_filter;

    QStringList Texts() const;

private:
    dialogs::ScopedHook scope_;
};

/// Stands in for the flash workflow and the restart, and watches the window.
struct StandIns {
    std::function<bool(MainWindow&)> auto_flash = [](MainWindow&) { return false; };
    int auto_flash_runs = 0;
    int restarts = 0;
    bool shown = false;
    std::function<void()> on_restart;
};

class TestMainWindow : public MainWindow {
public:
    explicit TestMainWindow(StandIns& stand_ins) : stand_ins_(stand_ins) {}
    /// The window's own unattended flash, for stand-ins that want the real one.
    bool RealRunAutoFlash() { return MainWindow::RunAutoFlash(); }
    /// The window's own restart request, for tests that install a command runner.
    void RealRestartSystem() { MainWindow::RestartSystem(); }

protected:
    bool RunAutoFlash() override;
    void RestartSystem() override;
    void showEvent(QShowEvent* event) override;

private:
    StandIns& stand_ins_;
};

/// A control of the window by its object name; ends the test run when there is none.
template <typename T = QWidget>
T* Child(MainWindow& form, const char* name) {
    T* child = form.findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr) qFatal("no control %s", name);
    return child;
}

/// A window started from `ini` (no settings file when null) against a simulated chip,
/// shown and activated, with every box it showed so far forgotten.
struct StartedWindow {
    explicit StartedWindow(const IniValues* ini, const sim::Config& config = sim::Config{});
    TestDirectory dir;
    SimRig rig;
    BoxRecorder boxes;
    StandIns stand_ins;
    std::unique_ptr<TestMainWindow> form;
    bool activated = false;
};

/// Runs the whole program (start-up to exit status) with a TestMainWindow; ends the message loop
/// with 99 if nothing else ends it. `with_form` runs once the window exists. The tests run
/// offscreen but stand for a person in front of a screen unless `screen` says otherwise.
int RunProgram(StandIns& stand_ins, const std::function<void(MainWindow&)>& with_form = {},
               Screen screen = Screen::Present);

}  // namespace apptest
