// SPDX-License-Identifier: GPL-3.0-or-later
// The window's own handlers: option groups, expanding, choosing the image, the controls
// below the visible area, and the settings file driving the Setting tab's handlers.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QtTest>

#include "app_test_support.h"
#include "hw/super_io.h"

using namespace apptest;

class WindowTest : public QObject {
    Q_OBJECT

private slots:
    void versionOptionsFollowCheckBox();
    void bramSettingFollowsReadMethod_data();
    void bramSettingFollowsReadMethod();
    void statusHistoryExpandsAndCollapses();
    void loadDialog_data();
    void loadDialog();
    void tabReachesControlsBelowVisibleArea_data();
    void tabReachesControlsBelowVisibleArea();
    void openWinKeepsWindowAsItIs();
    void settingsFileDrivesHandlers_data();
    void settingsFileDrivesHandlers();
    void nothingSelectedWithoutSettingsFile();
    void portEditsFromTheFile_data();
    void portEditsFromTheFile();
    void tabTakesValuesUpToARejectedOne();
};

void WindowTest::versionOptionsFollowCheckBox() {
    IniValues ini;
    StartedWindow w(&ini);
    auto* check_box = Child<QCheckBox>(*w.form, "versionCheckBox");
    Child<QTabWidget>(*w.form, "tabWidget")->setCurrentIndex(1);
    const QWidget* shown_with_box[] = {Child(*w.form, "versionOptionsPanel"), Child(*w.form, "fwVersionCaptionLabel"),
                                       Child(*w.form, "fwVersionLabel")};

    QTest::mouseClick(check_box, Qt::LeftButton);
    QVERIFY(check_box->isChecked());
    for (const QWidget* widget : shown_with_box) QVERIFY2(!widget->isHidden(), qPrintable(widget->objectName()));

    check_box->setChecked(false);  // a change made by code runs the handler too
    for (const QWidget* widget : shown_with_box) QVERIFY2(widget->isHidden(), qPrintable(widget->objectName()));
}

void WindowTest::bramSettingFollowsReadMethod_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<bool>("shown_after_first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("shown_after_second");
    QTest::newRow("BRAM then EC SPACE") << "readBramRadio" << true << "readEcSpaceRadio" << false;
    QTest::newRow("read method 1 then 4") << "fwMethodBram10Radio" << true << "fwMethodEcSpaceRadio" << false;
    QTest::newRow("read method 3 then 2") << "fwMethodBram20Radio" << true << "fwMethodBram12Radio" << true;
}

void WindowTest::bramSettingFollowsReadMethod() {
    QFETCH(QString, first);
    QFETCH(bool, shown_after_first);
    QFETCH(QString, second);
    QFETCH(bool, shown_after_second);
    IniValues ini;  // EC SPACE: "BRAM Setting" hidden at start
    StartedWindow w(&ini);
    const QWidget* bram_setting = Child(*w.form, "bramSettingGroup");
    QVERIFY(bram_setting->isHidden());

    Child<QRadioButton>(*w.form, first.toLatin1().constData())->setChecked(true);
    QCOMPARE(!bram_setting->isHidden(), shown_after_first);
    Child<QRadioButton>(*w.form, second.toLatin1().constData())->setChecked(true);
    QCOMPARE(!bram_setting->isHidden(), shown_after_second);
}

void WindowTest::statusHistoryExpandsAndCollapses() {
    IniValues ini;
    StartedWindow w(&ini);
    QCOMPARE(w.form->size(), QSize(510, 225));

    QTest::mouseDClick(Child(*w.form, "statusLabel"), Qt::LeftButton);
    QCOMPARE(w.form->size(), QSize(510, 390 - 28));
    Child<QTabWidget>(*w.form, "tabWidget")->setCurrentIndex(2);  // the height survives tab changes
    QCOMPARE(w.form->height(), 390 - 28);

    QTest::mouseClick(Child(*w.form, "scrollUpButton"), Qt::LeftButton);
    QCOMPARE(w.form->size(), QSize(510, 225));
}

void WindowTest::loadDialog_data() {
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("cancelled") << true;
    QTest::newRow("file chosen") << false;
}

void WindowTest::loadDialog() {
    QFETCH(bool, cancelled);
    IniValues ini;
    StartedWindow w(&ini);
    auto* path = Child<QLabel>(*w.form, "filePathLabel");
    auto* status = Child<QLabel>(*w.form, "statusLabel");
    auto* percent = Child<QLabel>(*w.form, "percentLabel");
    auto* progress = Child<QProgressBar>(*w.form, "progressBar");
    // As an earlier flash run left them.
    path->setText("/images/old.bin");
    status->setText("CheckSum OK!!");
    percent->setText("100");
    progress->setValue(100);
    if (!cancelled) w.boxes.open_file_answer = QStringLiteral("/images/new.bin");

    QTest::mouseClick(Child(*w.form, "loadImageButton"), Qt::LeftButton);

    QCOMPARE(w.boxes.open_file_filter, QStringLiteral("BIN FILE (*.bin)"));
    QCOMPARE(path->text(), cancelled ? "/images/old.bin" : "/images/new.bin");
    QCOMPARE(status->text(), cancelled ? "CheckSum OK!!" : "Ready");
    QCOMPARE(percent->text(), cancelled ? "100" : "0");
    QCOMPARE(progress->value(), cancelled ? 100 : 0);
}

void WindowTest::tabReachesControlsBelowVisibleArea_data() {
    QTest::addColumn<QString>("shutdown");
    QTest::addColumn<int>("restarts");
    QTest::newRow("Shutdown set") << "1" << 1;
    QTest::newRow("Shutdown clear") << "0" << 0;
}

void WindowTest::tabReachesControlsBelowVisibleArea() {
    QFETCH(QString, shutdown);
    QFETCH(int, restarts);
    IniValues ini;
    ini.shutdown = shutdown.toStdString();
    StartedWindow w(&ini);
    Child(*w.form, "scrollUpButton")->setFocus();

    QStringList reached;
    for (int press = 0; press < 10 && !Child(*w.form, "shutdownTestButton")->hasFocus(); ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget()->objectName();
    }
    QVERIFY2(reached.contains("disWinButton") && reached.contains("openWinButton") && reached.endsWith("shutdownTestButton"),
             qPrintable(reached.join(' ')));
    QVERIFY(reached.first().startsWith("fwMethod"));
    QCOMPARE(w.stand_ins.restarts, 0);

    QTest::keyClick(Child(*w.form, "shutdownTestButton"), Qt::Key_Space);  // "Shutdown Test"
    QCOMPARE(w.stand_ins.restarts, restarts);
}

void WindowTest::openWinKeepsWindowAsItIs() {
    IniValues ini;
    StartedWindow w(&ini);
    const Qt::WindowFlags flags = w.form->windowFlags();
    QTest::mouseClick(Child(*w.form, "openWinButton"), Qt::LeftButton);
    QTest::mouseClick(Child(*w.form, "disWinButton"), Qt::LeftButton);
    QVERIFY(w.form->isVisible());
    QCOMPARE(w.form->windowFlags(), flags);
    QCOMPARE(w.form->size(), QSize(510, 225));
}

void WindowTest::settingsFileDrivesHandlers_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<int>("index_port");
    QTest::addColumn<int>("bram_base_reg");
    QTest::addColumn<bool>("version_options_shown");
    QTest::addColumn<bool>("bram_setting_shown");
    QTest::newRow("all zero") << "" << "" << 0x2E << 0x60 << false << false;
    QTest::newRow("IO 1 runs the 4E/4F handler") << "io" << "1" << 0x4E << 0x60 << false << false;
    QTest::newRow("BRAM BANK 1 runs the Bank1 handler") << "bank" << "1" << 0x2E << 0x62 << false << false;
    QTest::newRow("FW VERSION SHOW 2 ticks the check box") << "show" << "2" << 0x2E << 0x60 << true << false;
    QTest::newRow("Read Method 1 shows BRAM Setting") << "method" << "1" << 0x2E << 0x60 << false << true;
}

void WindowTest::settingsFileDrivesHandlers() {
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(int, index_port);
    QFETCH(int, bram_base_reg);
    QFETCH(bool, version_options_shown);
    QFETCH(bool, bram_setting_shown);
    IniValues ini;
    ini.acpi_port = "0x62";
    const std::string text = value.toStdString();
    if (key == "io") ini.io = text;
    if (key == "bank") ini.bram_bank = text;
    if (key == "show") ini.fw_version_show = text;
    if (key == "method") ini.read_method = text;
    sim::Config ec_at_62;
    ec_at_62.ec_status_port = 0x66;
    ec_at_62.ec_data_port = 0x62;
    StartedWindow w(&ini, ec_at_62);

    QCOMPARE(w.form->ports().sio_index, index_port);
    QCOMPARE(w.form->ports().bram_base_reg, bram_base_reg);
    QCOMPARE(!Child(*w.form, "versionOptionsPanel")->isHidden(), version_options_shown);
    QCOMPARE(!Child(*w.form, "fwVersionCaptionLabel")->isHidden(), version_options_shown);
    QCOMPARE(!Child(*w.form, "bramSettingGroup")->isHidden(), bram_setting_shown);
    QCOMPARE(Child<QLineEdit>(*w.form, "dataPortEdit")->text(), QStringLiteral("0062"));
    QCOMPARE(Child<QLineEdit>(*w.form, "cmdPortEdit")->text(), QStringLiteral("0066"));
}

void WindowTest::nothingSelectedWithoutSettingsFile() {
    StartedWindow w(nullptr);
    for (const char* name : {"readEcSpaceRadio", "readBramRadio", "hexDisplayOffRadio", "hexDisplayOnRadio"})
        QVERIFY2(!Child<QRadioButton>(*w.form, name)->isChecked(), name);
    QVERIFY(Child<QRadioButton>(*w.form, "sioPort2eRadio")->isChecked());
    QCOMPARE(Child<QLineEdit>(*w.form, "cmdPortEdit")->text(), QStringLiteral("3F4"));
}

void WindowTest::portEditsFromTheFile_data() {
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("data_text");
    QTest::addColumn<QString>("cmd_text");
    QTest::newRow("hexadecimal") << "0x62" << "0062" << "0066";
    QTest::newRow("decimal") << "98" << "0062" << "0066";
    QTest::newRow("five digits") << "0x13F0" << "13F0" << "13F4";
    QTest::newRow("minus one wraps") << "-1" << "FFFFFFFF" << "0003";
}

void WindowTest::portEditsFromTheFile() {
    QFETCH(QString, value);
    QFETCH(QString, data_text);
    QFETCH(QString, cmd_text);
    IniValues ini;
    ini.acpi_port = value.toStdString();
    StartedWindow w(&ini);
    QCOMPARE(Child<QLineEdit>(*w.form, "dataPortEdit")->text(), data_text);
    QCOMPARE(Child<QLineEdit>(*w.form, "cmdPortEdit")->text(), cmd_text);
}

void WindowTest::tabTakesValuesUpToARejectedOne() {
    // Values before the rejected one reach their controls (and run their handlers); the
    // rejected one and every later one do not.
    IniValues ini;
    ini.acpi_port = "0x62";
    ini.read_method = "1";
    ini.io = "1";
    ini.bram_bank = "one";
    ini.read_bytes = "1";
    StartedWindow w(&ini);
    QCOMPARE(Child<QLineEdit>(*w.form, "dataPortEdit")->text(), QStringLiteral("0062"));
    QVERIFY(Child<QRadioButton>(*w.form, "readBramRadio")->isChecked());
    QCOMPARE(w.form->ports().sio_index, 0x4E);
    QVERIFY(Child<QRadioButton>(*w.form, "bramBank0Radio")->isChecked());
    QCOMPARE(w.form->ports().bram_base_reg, 0x60);
    QVERIFY(Child<QRadioButton>(*w.form, "read2BytesRadio")->isChecked());
    QCOMPARE(w.form->Settings(), UiSettings{});  // the first seven take effect only together
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
