// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, activation and every way a run ends: exit status, "uiset.ini", "EC_version.txt".

#include <QLabel>
#include <QtTest>

#include <sys/stat.h>

#include <QElapsedTimer>
#include <QMessageBox>
#include <fstream>
#include <stdexcept>

#include "app_test_support.h"
#include "app/run_mode.h"
#include "app/theme.h"
#include "hw/port_io.h"
#include "platform/session_lock.h"

using namespace apptest;

namespace {

constexpr const char* kWarningText = "Don't touch peripheral device or Remove AC power while EC Update processing!!";
constexpr const char* kPortLibraryText = "Please Check Administrator or InpOut32.DLL !";

// The simulated EC publishes version 1.10 at EC-space address 0.
sim::Config VersionedEc() {
    sim::Config config;
    config.ec_space[0] = 1;
    config.ec_space[1] = 10;
    return config;
}

enum class Settings { Present, Missing, Rejected };

constexpr const char* kStalePass = "PASS\n";  // what an earlier run left in the log
constexpr const char* kFail = "Fail\n";
constexpr const char* kPass = "PASS\n";

struct RunEnd {
    const char* name;
    Settings settings;
    IniValues ini;
    bool driver_open;
    bool flash_passes;
    bool user_closes;
    Screen screen;
    // expected
    int status;
    bool settings_rewritten;
    const char* version_file;
    int flash_runs;
    int restarts;
    const char* log;  // "Flash_log.txt" afterwards; it held a stale PASS at the start
};

IniValues Ini(std::initializer_list<std::pair<std::string IniValues::*, const char*>> changes) {
    IniValues values;
    values.header = "[Old header]";  // a rewritten file starts with "[Info]" again
    for (const auto& [field, text] : changes) values.*field = text;
    return values;
}

constexpr Screen kScreen = Screen::Present;
constexpr Screen kNoScreen = Screen::Absent;

const RunEnd kRunEnds[] = {
    {"user closes the window", Settings::Present, Ini({}), true, false, true, kScreen, 0, true, "00000\n", 0, 0,
     kStalePass},
    // Nothing says whether a script waits for the log: an earlier PASS must not stand.
    {"settings file missing", Settings::Missing, Ini({}), true, false, false, kScreen, 0, false, "00000\n", 0, 0,
     kFail},
    {"port library refused", Settings::Present, Ini({{&IniValues::fw_version_show, "1"}}), false, false, false,
     kScreen, 0, true, "00000\n", 0, 0, kStalePass},
    {"port library refused, unattended", Settings::Present, Ini({{&IniValues::auto_flash, "1"}}), false, true, false,
     kScreen, 1, true, "00000\n", 0, 0, kFail},
    {"unattended flash passed", Settings::Present, Ini({{&IniValues::auto_flash, "1"}}), true, true, false, kScreen, 0,
     true, "00000\n", 1, 0, kPass},
    {"unattended flash passed, restart", Settings::Present,
     Ini({{&IniValues::auto_flash, "5"}, {&IniValues::shutdown, "1"}}), true, true, false, kScreen, 0, true, "00000\n",
     1, 1, kPass},
    {"unattended flash failed", Settings::Present, Ini({{&IniValues::auto_flash, "1"}, {&IniValues::shutdown, "1"}}),
     true, false, false, kScreen, 1, true, "00000\n", 1, 0, kFail},
    {"version-only run", Settings::Present, Ini({{&IniValues::fw_version_show, "2"}}), true, false, false, kScreen, 0,
     true, "1.10\n", 0, 0, kStalePass},
    {"unattended run decides over version-only", Settings::Present,
     Ini({{&IniValues::auto_flash, "1"}, {&IniValues::fw_version_show, "2"}}), true, false, false, kScreen, 1, true,
     "1.10\n", 1, 0, kFail},
    // A rejected value stops window creation before the port library is opened: the file
    // must not be overwritten with values never read, and no port may be touched.
    {"settings value rejected", Settings::Rejected,
     Ini({{&IniValues::fw_version_show, "1"}, {&IniValues::shutdown, "yes"}}), true, false, true, kScreen, 0, false,
     "00000\n", 0, 0, kStalePass},
    {"settings value rejected, unattended", Settings::Rejected,
     Ini({{&IniValues::auto_flash, "1"}, {&IniValues::shutdown, "yes"}}), true, true, false, kScreen, 1, false,
     "00000\n", 0, 0, kFail},
    {"settings value rejected before AutoFlash", Settings::Rejected,
     Ini({{&IniValues::auto_flash, "1"}, {&IniValues::start_index, "yes"}}), true, false, true, kScreen, 0, false,
     "00000\n", 0, 0, kFail},
    // Without a screen nobody can answer a window: such a run ends at once.
    {"no screen, interactive", Settings::Present, Ini({}), true, false, false, kNoScreen, 2, true, "00000\n", 0, 0,
     kStalePass},
    {"no screen, settings value rejected before AutoFlash", Settings::Rejected,
     Ini({{&IniValues::auto_flash, "1"}, {&IniValues::start_index, "yes"}}), true, false, false, kNoScreen, 2, false,
     "00000\n", 0, 0, kFail},
    {"no screen, unattended flash passed", Settings::Present, Ini({{&IniValues::auto_flash, "1"}}), true, true, false,
     kNoScreen, 0, true, "00000\n", 1, 0, kPass},
    {"no screen, version-only run", Settings::Present, Ini({{&IniValues::fw_version_show, "2"}}), true, false, false,
     kNoScreen, 0, true, "1.10\n", 0, 0, kStalePass},
};

}  // namespace

class LifecycleTest : public QObject {
    Q_OBJECT

private slots:
    void runEnds_data();
    void runEnds();
    void everythingIsWrittenBeforeTheRestart();
    void escapedErrorsEndAnUnattendedRunWithFail_data();
    void escapedErrorsEndAnUnattendedRunWithFail();
    void unwatchedBoxesAnswerThemselves_data();
    void unwatchedBoxesAnswerThemselves();
    void lockedOutRunTouchesNothing_data();
    void lockedOutRunTouchesNothing();
    void silentRunSkipsTheWarningAndHidesTheWindow();
    void idleWindowLeavesTheEcToOthers();
    void nonSilentRunShowsWindow();
    void reactivationNeverStartsSecondFlash_data();
    void reactivationNeverStartsSecondFlash();
    void warningBoxReturnsAfterOwnBoxesOnly();
    void versionShowSetting_data();
    void versionShowSetting();
    void boxesDuringCreationCarryDefaultTitle();
    void defaultTitleRule_data();
    void defaultTitleRule();
    void themeFromResources();
    void errorBoxFullStopRule_data();
    void errorBoxFullStopRule();
};

void LifecycleTest::runEnds_data() {
    QTest::addColumn<int>("row");
    for (int row = 0; row < int(std::size(kRunEnds)); ++row) QTest::newRow(kRunEnds[row].name) << row;
}

void LifecycleTest::runEnds() {
    QFETCH(int, row);
    const RunEnd& run = kRunEnds[row];
    TestDirectory dir;
    sim::Config config = VersionedEc();
    config.driver_open = run.driver_open;
    SimRig rig(config);
    if (run.settings != Settings::Missing) WriteIni(run.ini);
    std::ofstream("Flash_log.txt", std::ios::binary) << kStalePass;
    const std::optional<std::string> ini_before = ReadFile("uiset.ini");
    BoxRecorder boxes;
    StandIns stand_ins;
    // As the real unattended flash does: the outcome goes to the log.
    stand_ins.auto_flash = [&](MainWindow&) { return RecordFlashOutcome(run.flash_passes) && run.flash_passes; };

    const int status = RunProgram(
        stand_ins, [&](MainWindow& form) {
            if (run.user_closes) QTimer::singleShot(0, &form, &QWidget::close);
        },
        run.screen);

    QCOMPARE(status, run.status);
    QCOMPARE(ReadTextFile("Flash_log.txt"), std::optional<std::string>(run.log));
    const std::optional<std::string> ini_after = ReadFile("uiset.ini");
    if (run.settings_rewritten) {
        QVERIFY(ini_after.has_value());
        QVERIFY(ini_after->starts_with("[Info]\r\n"));
    } else {
        QCOMPARE(ini_after, ini_before);
    }
    QCOMPARE(ReadTextFile("EC_version.txt"), std::optional<std::string>(run.version_file));
    QCOMPARE(stand_ins.auto_flash_runs, run.flash_runs);
    QCOMPARE(stand_ins.restarts, run.restarts);
    QCOMPARE(stand_ins.shown, run.driver_open && run.status != kNoScreenStatus);
    if (run.settings == Settings::Missing)
        QVERIFY(boxes.Texts().contains(QStringLiteral("ini Load fail,pls check uiset.ini!!")));
    if (!run.driver_open || run.settings == Settings::Rejected)
        QCOMPARE(rig.device.counters().total(), uint64_t{0});
    if (run.settings == Settings::Rejected)
        QVERIFY(boxes.Texts().contains(QStringLiteral("'yes' is not a valid integer value.")));
    if (!run.driver_open && run.status == 1) QVERIFY(boxes.boxes.empty());  // the text goes to stdout
    // An unattended run that cannot flash for its settings says so, not that the port
    // library failed.
    if (run.settings == Settings::Rejected && run.status == 1) {
        QVERIFY(boxes.Texts().contains(
            QStringLiteral("Pls check uiset.ini: value 14 (Shutdown) 'yes' is not a valid integer value")));
        QVERIFY(!boxes.Texts().contains(QString::fromLatin1(kPortLibraryText)));
    }
}

void LifecycleTest::lockedOutRunTouchesNothing_data() {
    QTest::addColumn<bool>("unattended");
    QTest::addColumn<int>("status");
    QTest::newRow("window") << false << 0;
    QTest::newRow("unattended") << true << 1;
}

void LifecycleTest::lockedOutRunTouchesNothing() {
    QFETCH(bool, unattended);
    QFETCH(int, status);
    TestDirectory dir;
    SimRig rig(VersionedEc());
    WriteIni(Ini({{&IniValues::auto_flash, unattended ? "1" : "0"}, {&IniValues::fw_version_show, "1"}}));
    const std::optional<std::string> ini_before = ReadFile("uiset.ini");
    BoxRecorder boxes;
    StandIns stand_ins;
    SessionLock other(DefaultSessionLockPath());  // another program is flashing
    QVERIFY(other.held());

    QCOMPARE(RunProgram(stand_ins), status);
    QCOMPARE(rig.device.counters().total(), uint64_t{0});
    QCOMPARE(ReadFile("uiset.ini"), ini_before);
    QVERIFY(!ReadTextFile("EC_version.txt").has_value());
    QVERIFY(!stand_ins.shown);
    QCOMPARE(stand_ins.auto_flash_runs, 0);
    QCOMPARE(boxes.Texts().size(), unattended ? 0 : 1);
    if (!unattended) QVERIFY(boxes.Texts()[0].startsWith("vantu: another program is working with the EC"));
}

// The lock is held per piece of EC work: an open, idle window blocks no other program, and
// its own next EC work is refused, naming the holder, while another program has the EC.
void LifecycleTest::idleWindowLeavesTheEcToOthers() {
    TestDirectory dir;
    SimRig rig(VersionedEc());
    WriteIni(Ini({{&IniValues::auto_flash, "0"}, {&IniValues::fw_version_show, "1"}}));
    BoxRecorder boxes;
    StandIns stand_ins;
    TestMainWindow form(stand_ins);
    QVERIFY(!form.EndsAtStart());
    SessionLock other(DefaultSessionLockPath());
    QVERIFY2(other.held(), other.RefusalText().c_str());
    rig.device.ResetCounters();
    QTest::mouseClick(form.findChild<QWidget*>("romChecksumButton"), Qt::LeftButton);
    QCOMPARE(rig.device.counters().total(), uint64_t{0});
    QCOMPARE(boxes.Texts().size(), 1);
    QVERIFY2(boxes.Texts()[0].contains("another program is working with the EC"), qPrintable(boxes.Texts()[0]));
}

void LifecycleTest::everythingIsWrittenBeforeTheRestart() {
    TestDirectory dir;
    SimRig rig(VersionedEc());
    WriteIni(Ini({{&IniValues::auto_flash, "1"}, {&IniValues::shutdown, "1"}, {&IniValues::fw_version_show, "1"}}));
    StandIns stand_ins;
    stand_ins.auto_flash = [](MainWindow&) { return RecordFlashOutcome(true); };
    std::optional<std::string> log_at_restart, ini_at_restart, version_at_restart;
    struct stat ini_stat_at_restart {};
    stand_ins.on_restart = [&] {
        log_at_restart = ReadTextFile("Flash_log.txt");
        ini_at_restart = ReadFile("uiset.ini");
        version_at_restart = ReadTextFile("EC_version.txt");
        ::stat("uiset.ini", &ini_stat_at_restart);
    };

    QCOMPARE(RunProgram(stand_ins), 0);
    QCOMPARE(stand_ins.restarts, 1);
    // The restart may end the session at once: all the run leaves behind is there by then,
    // and nothing is written after it.
    QCOMPARE(log_at_restart, std::optional<std::string>("PASS\n"));
    QVERIFY(ini_at_restart.value_or("").starts_with("[Info]\r\n"));
    QCOMPARE(version_at_restart, std::optional<std::string>("1.10\n"));
    QCOMPARE(ReadTextFile("Flash_log.txt"), log_at_restart);
    QCOMPARE(ReadFile("uiset.ini"), ini_at_restart);
    QCOMPARE(ReadTextFile("EC_version.txt"), version_at_restart);
    struct stat ini_stat_after {};
    ::stat("uiset.ini", &ini_stat_after);
    QCOMPARE(ini_stat_after.st_ino, ini_stat_at_restart.st_ino);
}

void LifecycleTest::escapedErrorsEndAnUnattendedRunWithFail_data() {
    QTest::addColumn<QString>("auto_flash");
    QTest::addColumn<bool>("during_flash");  // else while the window is being created
    QTest::addColumn<bool>("logged_pass_first");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("log");
    QTest::newRow("unattended, during the flash") << "1" << true << false << 1 << kFail;
    QTest::newRow("unattended, after the log said PASS") << "1" << true << true << 1 << kFail;
    QTest::newRow("unattended, at creation") << "1" << false << false << 1 << kFail;
    QTest::newRow("interactive, at creation") << "0" << false << false << 0 << kStalePass;
}

void LifecycleTest::escapedErrorsEndAnUnattendedRunWithFail() {
    QFETCH(QString, auto_flash);
    QFETCH(bool, during_flash);
    QFETCH(bool, logged_pass_first);
    QFETCH(int, status);
    QFETCH(QString, log);
    TestDirectory dir;
    SimRig rig;
    const std::string auto_flash_text = auto_flash.toStdString();
    WriteIni(Ini({{&IniValues::auto_flash, auto_flash_text.c_str()}, {&IniValues::shutdown, "1"}}));
    std::ofstream("Flash_log.txt", std::ios::binary) << kStalePass;
    BoxRecorder boxes;
    StandIns stand_ins;
    stand_ins.auto_flash = [&](MainWindow&) -> bool {
        if (logged_pass_first) RecordFlashOutcome(true);
        throw std::runtime_error("injected failure");
    };

    const int result = RunProgram(stand_ins, [&](MainWindow&) {
        if (!during_flash) throw std::runtime_error("injected failure");
    });

    QCOMPARE(result, status);
    QCOMPARE(QString::fromStdString(ReadTextFile("Flash_log.txt").value_or("(none)")), log);
    QVERIFY(boxes.Texts().contains(QStringLiteral("injected failure.")));
    QCOMPARE(stand_ins.restarts, 0);
}

void LifecycleTest::unwatchedBoxesAnswerThemselves_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("silent");
    QTest::addColumn<bool>("answers_itself");
    QTest::newRow("unattended") << int(RunMode::Unattended) << false << true;
    QTest::newRow("silent") << int(RunMode::Interactive) << true << true;
    QTest::newRow("interactive") << int(RunMode::Interactive) << false << false;
}

void LifecycleTest::unwatchedBoxesAnswerThemselves() {
    QFETCH(int, mode);
    QFETCH(bool, silent);
    QFETCH(bool, answers_itself);
    SetRunMode(RunMode(mode), silent);
    dialogs::ShowBoxesWithoutScreen(true);  // real boxes, though the tests run offscreen
    dialogs::SetUnwatchedBoxTimeout(std::chrono::milliseconds(0));
    StderrCapture err;

    // A box still open a while later is closed here, as a person would.
    int closed_by_person = 0;
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++closed_by_person;
            box->done(QMessageBox::Ok);
        }
    });
    person.start(200);
    dialogs::ShowMessage(QStringLiteral("Can't read Bin file!!"));
    dialogs::ShowError(QStringLiteral("'x' is not a valid integer value"));
    person.stop();

    dialogs::ShowBoxesWithoutScreen(false);
    dialogs::SetUnwatchedBoxTimeout(std::chrono::seconds(5));
    QCOMPARE(closed_by_person, answers_itself ? 0 : 2);
    // A script reads standard error: every box of an unwatched run is there, one line each.
    const QString expected = answers_itself
        ? QStringLiteral("Can't read Bin file!!\n'x' is not a valid integer value.\n") : QString();
    QCOMPARE(err.Text(), expected);
}

void LifecycleTest::silentRunSkipsTheWarningAndHidesTheWindow() {
    TestDirectory dir;
    SimRig rig;
    WriteIni(Ini({{&IniValues::auto_flash, "1"}, {&IniValues::warning_show, "1"}, {&IniValues::silent_run, "1"}}));
    BoxRecorder boxes;
    StandIns stand_ins;
    bool hidden_during_run = false;
    double opacity_during_run = -1;
    stand_ins.auto_flash = [&](MainWindow& form) {
        hidden_during_run = form.isHidden();
        opacity_during_run = form.windowOpacity();
        return true;
    };

    QCOMPARE(RunProgram(stand_ins), 0);
    QVERIFY(boxes.boxes.empty());
    QVERIFY(hidden_during_run);
    QCOMPARE(opacity_during_run, 0.0);
}

void LifecycleTest::nonSilentRunShowsWindow() {
    TestDirectory dir;
    SimRig rig;
    WriteIni(Ini({{&IniValues::auto_flash, "1"}}));
    StandIns stand_ins;
    bool visible_during_run = false;
    double opacity_during_run = -1;
    stand_ins.auto_flash = [&](MainWindow& form) {
        visible_during_run = form.isVisible();
        opacity_during_run = form.windowOpacity();
        return false;
    };

    QCOMPARE(RunProgram(stand_ins), 1);
    QVERIFY(visible_during_run);
    QCOMPARE(opacity_during_run, 1.0);
}

void LifecycleTest::reactivationNeverStartsSecondFlash_data() {
    QTest::addColumn<bool>("passes");
    QTest::addColumn<int>("status");
    QTest::newRow("passing run") << true << 0;
    QTest::newRow("failing run") << false << 1;
}

void LifecycleTest::reactivationNeverStartsSecondFlash() {
    QFETCH(bool, passes);
    QFETCH(int, status);
    TestDirectory dir;
    SimRig rig;
    WriteIni(Ini({{&IniValues::auto_flash, "1"}}));
    BoxRecorder boxes;
    StandIns stand_ins;
    // One of the program's own boxes closes over the visible window during the run, which
    // hands the activation back to it.
    stand_ins.auto_flash = [&](MainWindow& form) {
        if (stand_ins.auto_flash_runs == 1) {
            dialogs::ShowMessage(QStringLiteral("Can't read Bin file!!"));
            QEvent activate(QEvent::WindowActivate);  // and whatever the platform adds
            QCoreApplication::sendEvent(&form, &activate);
            QCoreApplication::processEvents();
        }
        return passes;
    };

    QCOMPARE(RunProgram(stand_ins), status);
    QCOMPARE(stand_ins.auto_flash_runs, 1);
}

void LifecycleTest::warningBoxReturnsAfterOwnBoxesOnly() {
    TestDirectory dir;
    SimRig rig;
    IniValues ini;
    ini.warning_show = "1";
    WriteIni(ini);
    BoxRecorder boxes;
    StandIns stand_ins;
    TestMainWindow form(stand_ins);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QCOMPARE(boxes.Texts(), QStringList{kWarningText});

    const auto activate = [&] {
        QEvent activation(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&form, &activation);
    };
    activate();  // the warning box closing, or the user coming back from another program
    QCOMPARE(boxes.boxes.size(), size_t{1});

    // One of the program's own boxes closing over the window activates it again at once,
    // before the code that showed the box goes on.
    dialogs::ShowMessage(QStringLiteral("Pls wait Setting!!"));
    QCOMPARE(boxes.Texts(), (QStringList{kWarningText, "Pls wait Setting!!", kWarningText}));
    activate();
    QCOMPARE(boxes.boxes.size(), size_t{3});
    QVERIFY(!form.RequestedExitStatus());
}

void LifecycleTest::versionShowSetting_data() {
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("ec_asked");
    QTest::addColumn<bool>("run_ends");
    QTest::newRow("0: not read") << "0" << "00000" << false << false;
    QTest::newRow("1: read and shown") << "1" << "1.10" << true << false;
    QTest::newRow("2: read, then the run ends") << "2" << "1.10" << true << true;
    QTest::newRow("3: neither read nor ending") << "3" << "00000" << false << false;
}

void LifecycleTest::versionShowSetting() {
    QFETCH(QString, setting);
    QFETCH(QString, label);
    QFETCH(bool, ec_asked);
    QFETCH(bool, run_ends);
    TestDirectory dir;
    SimRig rig(VersionedEc());
    const std::string setting_text = setting.toStdString();
    WriteIni(Ini({{&IniValues::fw_version_show, setting_text.c_str()}}));
    StandIns stand_ins;
    TestMainWindow form(stand_ins);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QCOMPARE(form.windowOpacity(), 1.0);
    QCOMPARE(form.findChild<QLabel*>("fwVersionLabel")->text(), label);
    QCOMPARE(rig.device.counters().command_writes > 0, ec_asked);
    QCOMPARE(form.RequestedExitStatus().has_value(), run_ends);
}

void LifecycleTest::boxesDuringCreationCarryDefaultTitle() {
    TestDirectory dir;  // no settings file: its box comes while the window is created
    SimRig rig;
    BoxRecorder boxes;
    StandIns stand_ins;
    stand_ins.auto_flash = [](MainWindow&) { return false; };
    QCOMPARE(RunProgram(stand_ins, [](MainWindow&) { dialogs::ShowMessage(QStringLiteral("still creating")); }), 0);

    QCOMPARE(boxes.boxes.size(), size_t{2});
    QCOMPARE(boxes.boxes[0].caption, dialogs::DefaultApplicationTitle());
    // The title changes only once the window exists.
    QCOMPARE(boxes.boxes[1].caption, dialogs::DefaultApplicationTitle());
    dialogs::ShowMessage(QStringLiteral("after start-up"));
    QCOMPARE(boxes.boxes[2].caption, QStringLiteral("Vantu"));
}

void LifecycleTest::defaultTitleRule_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::newRow("lower case") << "/opt/tools/vantu" << "vantu";
    QTest::newRow("upper case, extension") << "C:/Tools/VANTU.EXE" << "Vantu";
    QTest::newRow("mixed") << "/x/EcFlash.Tool.exe" << "Ecflash.tool";
}

void LifecycleTest::defaultTitleRule() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(dialogs::DefaultTitleFor(path), title);
}

void LifecycleTest::themeFromResources() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    BoxRecorder boxes;
    app->setStyleSheet(QString());
    QVERIFY(!ApplyTheme(*app, QStringLiteral("Chrome Sky")));
    QCOMPARE(boxes.Texts(), QStringList{"Style 'Chrome Sky' not found"});
    QCOMPARE(boxes.boxes[0].kind, dialogs::BoxKind::ThemeMissing);
    QVERIFY(app->styleSheet().isEmpty());  // the default look stays

    QVERIFY(ApplyTheme(*app, QString::fromLatin1(kThemeName)));
    QVERIFY(app->styleSheet().contains(QStringLiteral("QPushButton#flashButton")));
    QCOMPARE(boxes.boxes.size(), size_t{1});
}

void LifecycleTest::errorBoxFullStopRule_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "'0xZZ' is not a valid integer value" << "'0xZZ' is not a valid integer value.";
    QTest::newRow("full stop") << "done." << "done.";
    QTest::newRow("exclamation") << "fail!" << "fail!";
    QTest::newRow("slash") << "a/" << "a/.";
    QTest::newRow("empty") << "" << "";
}

void LifecycleTest::errorBoxFullStopRule() {
    QFETCH(QString, text);
    QFETCH(QString, shown);
    BoxRecorder boxes;
    dialogs::ShowError(text);
    QCOMPARE(boxes.boxes.at(0).text, shown);
    QCOMPARE(boxes.boxes.at(0).kind, dialogs::BoxKind::Error);
}

QTEST_MAIN(LifecycleTest)
#include "lifecycle_test.moc"
