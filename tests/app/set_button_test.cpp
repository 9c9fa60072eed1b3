// SPDX-License-Identifier: GPL-3.0-or-later
// The Setting tab's Set button, and the buttons that must not reach the ports while the
// port library is closed.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "app_test_support.h"
#include "hw/ec_channel.h"
#include "platform/clock.h"

using namespace apptest;

namespace {

void Click(MainWindow& form, const char* button) { QTest::mouseClick(Child(form, button), Qt::LeftButton); }

void SetPortTexts(MainWindow& form, const QString& cmd, const QString& data) {
    Child<QLineEdit>(form, "cmdPortEdit")->setText(cmd);
    Child<QLineEdit>(form, "dataPortEdit")->setText(data);
}

IniValues PortsAt62() {
    IniValues ini;
    ini.acpi_port = "0x62";  // ports 0x66/0x62 in use after the start
    return ini;
}

}  // namespace

class SetButtonTest : public QObject {
    Q_OBJECT

private slots:
    void portTexts_data();
    void portTexts();
    void secondPressAfterRejectedText();
    void copiesTabChoicesIntoSettingsFile();
    void noSelectionCountsAsSecondChoice();
    void uncheckedVersionBoxReadsNoVersion();
    void secondStartWhileBusyIsRefused();
    void closedPortLibraryKeepsButtonsOffThePorts_data();
    void closedPortLibraryKeepsButtonsOffThePorts();
};

void SetButtonTest::portTexts_data() {
    QTest::addColumn<QString>("cmd_text");
    QTest::addColumn<QString>("data_text");
    QTest::addColumn<int>("cmd_port");
    QTest::addColumn<int>("data_port");
    QTest::addColumn<QString>("error");
    QTest::newRow("pair not 4 apart") << "6C" << "60" << 0x6C << 0x60 << "";
    QTest::newRow("lower case") << "3f4" << "3f0" << 0x3F4 << 0x3F0 << "";
    QTest::newRow("beyond four digits") << "13F4" << "13F0" << 0x13F4 << 0x13F0 << "";
    QTest::newRow("prefix typed in") << "0x3F4" << "3F0" << 0x66 << 0x62
                                     << "'0x0x3F4' is not a valid integer value.";
    QTest::newRow("leading blank") << " 3F4" << "3F0" << 0x66 << 0x62 << "'0x 3F4' is not a valid integer value.";
    // The command port text is fine: still no port may change, so the pair stays matched.
    QTest::newRow("empty data port") << "3F4" << "" << 0x66 << 0x62 << "'0x' is not a valid integer value.";
    QTest::newRow("trailing blank on data port") << "3F4" << "3F0 " << 0x66 << 0x62
                                                 << "'0x3F0 ' is not a valid integer value.";
}

void SetButtonTest::portTexts() {
    QFETCH(QString, cmd_text);
    QFETCH(QString, data_text);
    QFETCH(int, cmd_port);
    QFETCH(int, data_port);
    QFETCH(QString, error);
    const IniValues ini = PortsAt62();
    StartedWindow w(&ini);
    QCOMPARE(w.form->ports().command, 0x66);
    SetPortTexts(*w.form, cmd_text, data_text);

    Click(*w.form, "portsSetButton");

    QCOMPARE(w.form->ports().command, cmd_port);
    QCOMPARE(w.form->ports().data, data_port);
    QCOMPARE(w.form->Settings().AcpiPort, data_port);
    QCOMPARE(g_SettingBusy, uint8_t{0});
    if (error.isEmpty()) {
        QVERIFY2(w.boxes.boxes.empty(), qPrintable(w.boxes.Texts().join('|')));
    } else {
        QCOMPARE(w.boxes.Texts(), QStringList{error});
        QCOMPARE(w.boxes.boxes[0].kind, dialogs::BoxKind::Error);
        QCOMPARE(w.boxes.boxes[0].caption, dialogs::ApplicationTitle());
    }
}

void SetButtonTest::secondPressAfterRejectedText() {
    const IniValues ini = PortsAt62();
    StartedWindow w(&ini);
    SetPortTexts(*w.form, "66", "ZZ");
    Click(*w.form, "portsSetButton");
    QCOMPARE(w.boxes.Texts(), QStringList{"'0xZZ' is not a valid integer value."});

    SetPortTexts(*w.form, "2F4", "2F0");
    Click(*w.form, "portsSetButton");
    QCOMPARE(w.form->ports().command, 0x2F4);
    QCOMPARE(w.form->ports().data, 0x2F0);
    QCOMPARE(w.boxes.boxes.size(), size_t{1});
}

void SetButtonTest::copiesTabChoicesIntoSettingsFile() {
    IniValues ini;
    ini.end_cmd = "0xFD";
    ini.bin_name = "EC_A";
    ini.start_index = "0x10";
    sim::Config chip_at_4e;
    chip_at_4e.sio_index_port = 0x4E;
    chip_at_4e.chip_id = 0x5A3C;
    chip_at_4e.bram_base = {0x0A40, 0x0A50};
    StartedWindow w(&ini, chip_at_4e);
    QCOMPARE(Child<QLabel>(*w.form, "chipIdLabel")->text(), QStringLiteral("FFFF"));  // nothing answers at 2E/2F
    Child<QCheckBox>(*w.form, "versionCheckBox")->setChecked(true);
    for (const char* name : {"readBramRadio", "sioPort4eRadio", "bramBank1Radio", "read5BytesRadio",
                             "hexDisplayOnRadio"})
        Child<QRadioButton>(*w.form, name)->setChecked(true);
    SetPortTexts(*w.form, "66", "62");

    Click(*w.form, "portsSetButton");
    QCOMPARE(Child<QLabel>(*w.form, "chipIdLabel")->text(), QStringLiteral("5A3C"));
    w.form.reset();  // the settings file is written as the window goes
    const std::string expected =
        "[Info]\r\nACPI PORT=0x62\r\nFW VERSION SHOW=1\r\nHEX DISPLAY=1\r\nRead Method=1\r\nIO=1\r\n"
        "BRAM BANK=1\r\nRead BYTES=1\r\nBRAM Start index=0x10\r\nFlashEnd CMD=0xFD\r\nAutoFlash=0\r\n"
        "Warring Show=0\r\nSilentRun=0\r\nBinName=EC_A\r\nShutdown=0\r\nEND";
    QCOMPARE(QString::fromStdString(ReadFile("uiset.ini").value_or("(missing)")), QString::fromStdString(expected));
}

void SetButtonTest::noSelectionCountsAsSecondChoice() {
    StartedWindow w(nullptr);  // no settings file: neither button of two groups is selected
    Click(*w.form, "portsSetButton");
    QCOMPARE(w.form->Settings().ReadMethod, uint8_t{1});
    QCOMPARE(w.form->Settings().HexDisplay, 1);
    QCOMPARE(w.form->Settings().SioSelect, uint8_t{0});
    QCOMPARE(w.form->Settings().ReadBytes, 0);
    QCOMPARE(w.form->Settings().AcpiPort, 0x3F0);
}

void SetButtonTest::uncheckedVersionBoxReadsNoVersion() {
    IniValues ini = PortsAt62();
    ini.fw_version_show = "2";  // the window is not shown: only creation matters here
    sim::Config config;
    config.ec_data_port = 0x62;
    config.ec_status_port = 0x66;
    config.ec_space[0] = 3;
    config.ec_space[1] = 7;
    TestDirectory dir;
    SimRig rig(config);
    WriteIni(ini);
    BoxRecorder boxes;
    StandIns stand_ins;
    TestMainWindow form(stand_ins);
    QCOMPARE(Child<QLabel>(form, "fwVersionLabel")->text(), QStringLiteral("3.7"));
    rig.device.ResetCounters();

    Child<QCheckBox>(form, "versionCheckBox")->setChecked(false);
    Click(form, "portsSetButton");

    QCOMPARE(form.Settings().FwVersionShow, 0);
    QCOMPARE(rig.device.counters().command_writes, uint64_t{0});
    QCOMPARE(Child<QLabel>(form, "fwVersionLabel")->text(), QStringLiteral("3.7"));
    QVERIFY(Child(form, "fwVersionLabel")->isHidden());
}

void SetButtonTest::secondStartWhileBusyIsRefused() {
    ManualClock clock(10);
    ScopedClock use_clock(clock);
    IniValues ini;  // version read from EC space, not asked at start
    sim::Config silent_ec;
    silent_ec.stop_answering_after_commands = 0;  // the acknowledge probe goes unanswered
    StartedWindow w(&ini, silent_ec);
    Child<QCheckBox>(*w.form, "versionCheckBox")->setChecked(true);
    w.boxes.on_box = [&](const dialogs::Box& box) {
        if (box.text.startsWith("ACPI port Ack Fail")) Click(*w.form, "portsSetButton");
    };

    Click(*w.form, "portsSetButton");

    QCOMPARE(w.boxes.Texts(), (QStringList{"ACPI port Ack Fail!!PLS Check & OPEN!!", "Pls wait Setting!!"}));
    QCOMPARE(g_SettingBusy, uint8_t{0});
    QCOMPARE(Child<QLabel>(*w.form, "chipIdLabel")->text(), QStringLiteral("8987"));  // goes on after the box
}

void SetButtonTest::closedPortLibraryKeepsButtonsOffThePorts_data() {
    QTest::addColumn<QString>("button");
    QTest::newRow("Set") << "portsSetButton";
    QTest::newRow("Flash") << "flashButton";
    QTest::newRow("ROM checksum") << "romChecksumButton";
}

void SetButtonTest::closedPortLibraryKeepsButtonsOffThePorts() {
    QFETCH(QString, button);
    IniValues ini;
    ini.warning_show = "x";  // rejected: window creation stops before the port library opens
    StartedWindow w(&ini);
    QCOMPARE(w.rig.device.counters().total(), uint64_t{0});

    Click(*w.form, button.toLatin1().constData());

    // The Flash button's warning comes first; the refusal is the last box either way, and it
    // names what is wrong with the settings file, not the port library.
    QVERIFY(!w.boxes.Texts().isEmpty());
    QCOMPARE(w.boxes.Texts().last(),
             QStringLiteral("Pls check uiset.ini: value 11 (Warring Show) 'x' is not a valid integer value"));
    QCOMPARE(w.rig.device.counters().total(), uint64_t{0});
    QCOMPARE(g_SettingBusy, uint8_t{0});
}

QTEST_MAIN(SetButtonTest)
#include "set_button_test.moc"
