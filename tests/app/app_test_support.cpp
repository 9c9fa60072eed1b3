// SPDX-License-Identifier: GPL-3.0-or-later
#include "app_test_support.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <sstream>
#include <unistd.h>

#include "app/app_main.h"
#include "app/run_mode.h"
#include "hw/ec_channel.h"
#include "hw/port_io.h"
#include "hw/super_io.h"
#include "line_ends.h"
#include "platform/sleep_inhibitor.h"
#include "settings/settings_file.h"

namespace apptest {
namespace {

// No window test may ever hold off the machine's sleep: every flash run in these programs
// gets this stand-in for logind, installed before main.
class NoSleepBlocker : public SleepBlocker {
public:
    int Inhibit(const char*, const char*, const char*, std::string&) override { return ::dup(STDIN_FILENO); }
};
NoSleepBlocker g_NoSleepBlocker;
const ScopedSleepBlocker g_NoRealInhibitor(g_NoSleepBlocker);

}  // namespace

void WriteIni(const IniValues& values) { std::ofstream("uiset.ini", std::ios::binary) << testini::IniText(values); }

std::optional<std::string> ReadFile(const char* name) {
    std::ifstream file(name, std::ios::binary);
    if (!file) return std::nullopt;
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::optional<std::string> ReadTextFile(const char* name) {
    const std::optional<std::string> text = ReadFile(name);
    if (!text) return text;
    return PlainLineEnds(*text);
}

StderrCapture::StderrCapture() : saved_fd_(::dup(STDERR_FILENO)), file_(std::tmpfile()) {
    std::fflush(stderr);
    ::dup2(::fileno(file_), STDERR_FILENO);
}

StderrCapture::~StderrCapture() {
    std::fflush(stderr);
    ::dup2(saved_fd_, STDERR_FILENO);
    ::close(saved_fd_);
    std::fclose(file_);
}

QString StderrCapture::Text() const {
    std::fflush(stderr);
    // Read from the start and back to the end, where standard error goes on writing (no
    // pread on Windows).
    const int fd = ::fileno(file_);
    const auto end = ::lseek(fd, 0, SEEK_END);
    ::lseek(fd, 0, SEEK_SET);
    std::string text;
    char buffer[4096];
    for (;;) {
        const auto got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    ::lseek(fd, end, SEEK_SET);
    return QString::fromLocal8Bit(text);
}

TestDirectory::TestDirectory() : previous_(QDir::currentPath()), dir_(std::make_unique<QTemporaryDir>()) {
    QDir::setCurrent(dir_->path());
    // A lock of this test's own: tests running side by side never refuse each other.
    qputenv("VANTU_LOCK_FILE", (dir_->path() + QStringLiteral("/vantu.lock")).toLocal8Bit());
    g_SettingBusy = 0;
    SetRunMode(RunMode::Unknown, false);
}

TestDirectory::~TestDirectory() {
    qunsetenv("VANTU_LOCK_FILE");
    QDir::setCurrent(previous_);
}

SimRig::SimRig(const sim::Config& config) : device(config), io_(device) { g_DriverOpen = false; }

void BoxRecorder::OnBox(const dialogs::Box& box) {
    boxes.push_back(box);
    if (on_box) on_box(box);
}

std::optional<QString> BoxRecorder::OnOpenFile(const QString& filter) {
    open_file_filter = filter;
    return open_file_answer;
}

QStringList BoxRecorder::Texts() const {
    QStringList texts;
    for (const dialogs::Box& box : boxes) texts << box.text;
    return texts;
}

bool TestMainWindow::RunAutoFlash() {
    ++stand_ins_.auto_flash_runs;
    return stand_ins_.auto_flash(*this);
}

void TestMainWindow::RestartSystem() {
    ++stand_ins_.restarts;
    if (stand_ins_.on_restart) stand_ins_.on_restart();
}

void TestMainWindow::showEvent(QShowEvent* event) {
    stand_ins_.shown = true;
    MainWindow::showEvent(event);
}

StartedWindow::StartedWindow(const IniValues* ini, const sim::Config& config) : rig(config) {
    if (ini != nullptr) WriteIni(*ini);
    form = std::make_unique<TestMainWindow>(stand_ins);
    form->show();
    activated = QTest::qWaitForWindowActive(form.get());
    boxes.boxes.clear();
}

int RunProgram(StandIns& stand_ins, const std::function<void(MainWindow&)>& with_form, Screen screen) {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    watchdog.start(10000);
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return RunVantu(
        *app,
        [&] {
            auto form = std::make_unique<TestMainWindow>(stand_ins);
            if (with_form) with_form(*form);
            return form;
        },
        screen);
}

}  // namespace apptest
