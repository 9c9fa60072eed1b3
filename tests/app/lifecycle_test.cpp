// Start-up, activation and every way a run ends: exit status, "uiset.ini", "EC_version.txt".

#include <QLabel>
#include <QtTest>

#include "app_test_support.h"
#include "app/theme.h"
#include "hw/port_io.h"
#include "hw/session_lock.h"

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

struct RunEnd {
    const char* name;
    Settings settings;
    IniValues ini;
    bool driver_open;
    bool flash_passes;
    bool user_closes;
    // expected
    int status;
    bool settings_rewritten;
    const char* version_file;
    int flash_runs;
    int restarts;
};

IniValues Ini(std::initializer_list<std::pair<std::string IniValues::*, const char*>> changes) {
    IniValues values;
    values.header = "[Old header]";  // a rewritten file starts with "[Info]" again
    for (const auto& [field, text] : changes) values.*field = text;
    return values;
}

const RunEnd kRunEnds[] = {
    {"user closes the window", Settings::Present, Ini({}), true, false, true, 0, true, "00000\n", 0, 0},
    {"settings file missing", Settings::Missing, Ini({}), true, false, false, 0, false, "00000\n", 0, 0},
    {"port library refused", Settings::Present, Ini({{&IniValues::fw_version_show, "1"}}), false, false, false, 0,
     true, "00000\n", 0, 0},
    {"unattended flash passed", Settings::Present, Ini({{&IniValues::auto_flash, "1"}}), true, true, false, 0, true,
     "00000\n", 1, 0},
    {"unattended flash passed, restart", Settings::Present,
     Ini({{&IniValues::auto_flash, "5"}, {&IniValues::shutdown, "1"}}), true, true, false, 0, true, "00000\n", 1, 1},
    {"unattended flash failed", Settings::Present, Ini({{&IniValues::auto_flash, "1"}, {&IniValues::shutdown, "1"}}),
     true, false, false, 1, true, "00000\n", 1, 0},
    {"version-only run", Settings::Present, Ini({{&IniValues::fw_version_show, "2"}}), true, false, false, 0, true,
     "1.10\n", 0, 0},
    {"unattended run decides over version-only", Settings::Present,
     Ini({{&IniValues::auto_flash, "1"}, {&IniValues::fw_version_show, "2"}}), true, false, false, 1, true, "1.10\n",
     1, 0},
    // A rejected value stops window creation before the port library is opened: the file
    // must not be overwritten with values never read, and no port may be touched.
    {"settings value rejected", Settings::Rejected,
     Ini({{&IniValues::fw_version_show, "1"}, {&IniValues::shutdown, "yes"}}), true, false, true, 0, false,
     "00000\n", 0, 0},
    {"settings value rejected, unattended", Settings::Rejected,
     Ini({{&IniValues::auto_flash, "1"}, {&IniValues::shutdown, "yes"}}), true, true, false, 1, false, "00000\n", 0,
     0},
};

}  // namespace

class LifecycleTest : public QObject {
    Q_OBJECT

private slots:
    void runEnds_data();
    void runEnds();
    void restartIsRequestedBeforeDestruction();
    void lockedOutRunTouchesNothing_data();
    void lockedOutRunTouchesNothing();
    void warningBoxComesBeforeSilentRunHidesWindow();
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
    const std::optional<std::string> ini_before = ReadFile("uiset.ini");
    BoxRecorder boxes;
    StandIns stand_ins;
    stand_ins.auto_flash = [&](TForm1&) { return run.flash_passes; };

    const int status = RunProgram(stand_ins, [&](TForm1& form) {
        if (run.user_closes) QTimer::singleShot(0, &form, &QWidget::close);
    });

    QCOMPARE(status, run.status);
    const std::optional<std::string> ini_after = ReadFile("uiset.ini");
    if (run.settings_rewritten) {
        QVERIFY(ini_after.has_value());
        QVERIFY(ini_after->starts_with("[Info]\r\n"));
    } else {
        QCOMPARE(ini_after, ini_before);
    }
    QCOMPARE(ReadFile("EC_version.txt"), std::optional<std::string>(run.version_file));
    QCOMPARE(stand_ins.auto_flash_runs, run.flash_runs);
    QCOMPARE(stand_ins.restarts, run.restarts);
    QCOMPARE(stand_ins.shown, run.driver_open);
    if (run.settings == Settings::Missing)
        QVERIFY(boxes.Texts().contains(QStringLiteral("ini Load fail,pls check uiset.ini!!")));
    if (!run.driver_open || run.settings == Settings::Rejected)
        QCOMPARE(rig.device.counters().total(), uint64_t{0});
    if (run.settings == Settings::Rejected)
        QVERIFY(boxes.Texts().contains(QStringLiteral("'yes' is not a valid integer value.")));
    if (run.settings == Settings::Rejected && run.status == 1)
        QVERIFY(boxes.Texts().contains(QString::fromLatin1(kPortLibraryText)));
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
    QVERIFY(!ReadFile("EC_version.txt").has_value());
    QVERIFY(!stand_ins.shown);
    QCOMPARE(stand_ins.auto_flash_runs, 0);
    const QStringList expected_boxes = unattended ? QStringList{} : QStringList{"Another flash is in progress, not flashed!!"};
    QCOMPARE(boxes.Texts(), expected_boxes);
}

void LifecycleTest::restartIsRequestedBeforeDestruction() {
    TestDirectory dir;
    SimRig rig;
    WriteIni(Ini({{&IniValues::auto_flash, "1"}, {&IniValues::shutdown, "1"}}));
    StandIns stand_ins;
    stand_ins.auto_flash = [](TForm1&) { return true; };
    bool version_recorded_at_restart = true;
    stand_ins.on_restart = [&] { version_recorded_at_restart = ReadFile("EC_version.txt").has_value(); };

    QCOMPARE(RunProgram(stand_ins), 0);
    QCOMPARE(stand_ins.restarts, 1);
    QVERIFY(!version_recorded_at_restart);
    QVERIFY(ReadFile("EC_version.txt").has_value());
}

void LifecycleTest::warningBoxComesBeforeSilentRunHidesWindow() {
    TestDirectory dir;
    SimRig rig;
    WriteIni(Ini({{&IniValues::auto_flash, "1"}, {&IniValues::warning_show, "1"}, {&IniValues::silent_run, "1"}}));
    BoxRecorder boxes;
    bool visible_at_warning = false;
    StandIns stand_ins;
    TForm1* window = nullptr;
    boxes.on_box = [&](const dialogs::Box& box) {
        if (box.kind == dialogs::BoxKind::SystemWarning) visible_at_warning = window->isVisible();
    };
    bool hidden_during_run = false;
    double opacity_during_run = -1;
    stand_ins.auto_flash = [&](TForm1& form) {
        hidden_during_run = form.isHidden();
        opacity_during_run = form.windowOpacity();
        return true;
    };

    QCOMPARE(RunProgram(stand_ins, [&](TForm1& form) { window = &form; }), 0);
    QCOMPARE(boxes.boxes.size(), size_t{1});
    QCOMPARE(boxes.boxes[0].text, QString::fromLatin1(kWarningText));
    QCOMPARE(boxes.boxes[0].caption, QStringLiteral("Ardeno EC Update"));
    QVERIFY(visible_at_warning);
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
    stand_ins.auto_flash = [&](TForm1& form) {
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
    stand_ins.auto_flash = [&](TForm1& form) {
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
    TestForm form(stand_ins);
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
    TestForm form(stand_ins);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));

    QCOMPARE(form.windowOpacity(), 1.0);
    QCOMPARE(form.findChild<QLabel*>("Lbl_FW_ver")->text(), label);
    QCOMPARE(rig.device.counters().command_writes > 0, ec_asked);
    QCOMPARE(form.RequestedExitStatus().has_value(), run_ends);
}

void LifecycleTest::boxesDuringCreationCarryDefaultTitle() {
    TestDirectory dir;  // no settings file: its box comes while the window is created
    SimRig rig;
    BoxRecorder boxes;
    StandIns stand_ins;
    stand_ins.auto_flash = [](TForm1&) { return false; };
    QCOMPARE(RunProgram(stand_ins, [](TForm1&) { dialogs::ShowMessage(QStringLiteral("still creating")); }), 0);

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
    QVERIFY(app->styleSheet().contains(QStringLiteral("QPushButton#Btn_Flash")));
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
