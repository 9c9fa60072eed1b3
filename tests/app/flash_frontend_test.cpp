// SPDX-License-Identifier: GPL-3.0-or-later
// The window's flash and checksum buttons and its unattended run, driving the real flash
// procedure against the simulated EC (the clock is manual: no real pauses).

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <QAbstractButton>
#include <QTabWidget>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

#include "app/input_drain.h"
#include "app_test_support.h"
#include "flash/checksum_tools.h"
#include "flash/image.h"
#include "flash/restart.h"
#include "hw/port_io.h"
#include "hw/super_io.h"
#include "platform/clock.h"
#include "spi/chip_id.h"

using namespace apptest;

namespace {

void Click(MainWindow& form, const char* button) { QTest::mouseClick(Child(form, button), Qt::LeftButton); }

std::vector<uint8_t> Image(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 37 + i / 256) % 251);
    return bytes;
}

// The system's tick, and sleeps shortened by `divisor` but real.
class PacedClock : public Clock {
public:
    explicit PacedClock(uint32_t divisor) : divisor_(divisor) { started_.start(); }
    uint32_t TickMs() override { return static_cast<uint32_t>(started_.elapsed()); }
    void SleepMs(uint32_t ms) override { QThread::msleep(ms / divisor_); }

private:
    QElapsedTimer started_;
    uint32_t divisor_;
};

void WriteImage(const char* name, const std::vector<uint8_t>& bytes) {
    std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool FlashStartsWith(sim::Device& device, const std::vector<uint8_t>& image) {
    return std::equal(image.begin(), image.end(), device.flash().begin());
}

// A click that waits in the queue, as one made while the message loop was not running.
void QueueClick(QWidget& target) {
    const QPointF at(target.width() / 2.0, target.height() / 2.0);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(&target, new QMouseEvent(type, at, target.mapToGlobal(at), Qt::LeftButton,
                                                              Qt::LeftButton, Qt::NoModifier));
}

// Manual time; the flash's thread stops in its first pause until the test lets it go on.
class GateClock : public Clock {
public:
    uint32_t TickMs() override {
        const std::lock_guard<std::mutex> guard(mutex_);
        return now_ms_ += 1;
    }
    void SleepMs(uint32_t ms) override {
        std::unique_lock<std::mutex> guard(mutex_);
        now_ms_ += ms;
        if (std::this_thread::get_id() == window_thread_) return;
        paused_ = true;
        opened_.wait(guard, [this] { return released_; });
    }
    bool Paused() {
        const std::lock_guard<std::mutex> guard(mutex_);
        return paused_;
    }
    void Release() {
        const std::lock_guard<std::mutex> guard(mutex_);
        released_ = true;
        opened_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    const std::thread::id window_thread_ = std::this_thread::get_id();
    uint32_t now_ms_ = 1000;
    bool paused_ = false;
    bool released_ = false;
};

void LoadImage(StartedWindow& w, const char* name) {
    w.boxes.open_file_answer = QDir::current().absoluteFilePath(QString::fromLatin1(name));
    Click(*w.form, "loadImageButton");
}

}  // namespace

class FlashFrontendTest : public QObject {
    Q_OBJECT

private slots:
    void flashButtonWarnsEvenWhenNoImageCanBeOpened() {
        StartedWindow w(nullptr);
        Child<QPlainTextEdit>(*w.form, "statusHistory")->setPlainText("earlier run");
        Click(*w.form, "flashButton");
        QCOMPARE(w.boxes.Texts(),
                 (QStringList{"Please save the document is in use and turn off the use of the program before Flash EC!!",
                              "Can't read Bin file!!"}));
        QVERIFY(Child<QPushButton>(*w.form, "flashButton")->isEnabled());
        QCOMPARE(Child<QPlainTextEdit>(*w.form, "statusHistory")->toPlainText(), QStringLiteral("earlier run"));
    }

    void warningFollowsTheFlashButtonsOwnBox() {
        IniValues ini;
        ini.warning_show = "1";
        StartedWindow w(&ini);
        Click(*w.form, "flashButton");
        const QString warning = "Don't touch peripheral device or Remove AC power while EC Update processing!!";
        QCOMPARE(w.boxes.Texts(),
                 (QStringList{"Please save the document is in use and turn off the use of the program before Flash EC!!",
                              warning, "Can't read Bin file!!", warning}));
    }

    void clicksQueuedDuringAFlashAreDropped() {
        StartedWindow w(nullptr);
        auto* flash = Child<QPushButton>(*w.form, "flashButton");
        int clicks = 0;
        connect(flash, &QPushButton::clicked, [&] { ++clicks; });
        {
            UserInputDrain drain(*w.form);
            QueueClick(*flash);
        }
        QCoreApplication::processEvents();
        QCOMPARE(clicks, 0);

        QueueClick(*flash);  // the same click outside a flash does reach the button
        QCoreApplication::processEvents();
        QCOMPARE(clicks, 1);
    }

    // Every control clicked, on every tab, while an unattended flash is in follow mode: none
    // starts other EC work (a refused one would show a box) or changes what the flash uses.
    void clicksOnEveryControlDuringAFlashStartNothing() {
        GateClock clock;
        ScopedClock clock_guard(clock);
        IniValues ini;
        ini.bin_name = "EC";
        StartedWindow w(&ini);
        const std::vector<uint8_t> image = Image(4 * 65536);
        WriteImage("EC.Bin", image);
        w.rig.device.EnableEcTrace(true);
        const int32_t rom_size_k = w.form->RomSizeK();
        const int sio_index_port = w.form->ports().sio_index;

        int clicked = 0;
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            if (!clock.Paused()) return;
            clicker.stop();
            auto* tabs = Child<QTabWidget>(*w.form, "tabWidget");
            Child<QLineEdit>(*w.form, "romSizeEdit")->setText("64");
            for (int tab = 0; tab < tabs->count(); ++tab) {
                tabs->setCurrentIndex(tab);
                for (QAbstractButton* button : w.form->findChildren<QAbstractButton*>()) {
                    if (!button->isVisible()) continue;
                    QTest::mouseClick(button, Qt::LeftButton);
                    ++clicked;
                }
            }
            QTest::keyClick(Child(*w.form, "romChecksumButton"), Qt::Key_Space);
            clock.Release();
        });
        clicker.start(0);
        QVERIFY(w.form->RealRunAutoFlash());

        QVERIFY2(clicked >= 25, qPrintable(QString::number(clicked)));  // every button and choice at least once
        QCOMPARE(w.boxes.Texts(), QStringList{});
        const std::vector<sim::EcEvent>& trace = w.rig.device.ec_trace();
        QCOMPARE(std::count_if(trace.begin(), trace.end(),
                               [](const sim::EcEvent& e) { return e.kind == sim::EcEvent::EnterFollow; }),
                 1);
        QCOMPARE(ReadTextFile("Flash_log.txt").value_or(""), std::string("PASS\n"));
        QVERIFY(FlashStartsWith(w.rig.device, image));
        QCOMPARE(w.form->RomSizeK(), rom_size_k);
        QCOMPARE(w.form->ports().sio_index, sio_index_port);
    }

    void flashButtonFlashesTheLoadedImageAndRestartsOnlyAfterAPass_data() {
        QTest::addColumn<QString>("shutdown");
        QTest::addColumn<bool>("chip_works");
        QTest::addColumn<int>("restarts");
        QTest::newRow("pass, no restart asked") << "0" << true << 0;
        QTest::newRow("pass, restart asked") << "1" << true << 1;
        QTest::newRow("fail, restart asked") << "1" << false << 0;
    }
    void flashButtonFlashesTheLoadedImageAndRestartsOnlyAfterAPass() {
        QFETCH(QString, shutdown);
        QFETCH(bool, chip_works);
        QFETCH(int, restarts);
        ManualClock clock(1);
        ScopedClock clock_guard(clock);
        IniValues ini;
        ini.shutdown = shutdown.toStdString();
        ini.fw_version_show = "1";
        sim::Config config;
        if (!chip_works) config.stuck_ones = {{0, 0x01}};  // the image's first byte is 0x00
        StartedWindow w(&ini, config);
        w.rig.device.EnableEcTrace(true);
        const std::vector<uint8_t> image = Image(70000);
        WriteImage("new.bin", image);
        LoadImage(w, "new.bin");
        QCOMPARE(Child<QLabel>(*w.form, "statusLabel")->text(), QStringLiteral("Ready"));

        Click(*w.form, "flashButton");

        QCOMPARE(FlashStartsWith(w.rig.device, image), chip_works);
        QCOMPARE(Child<QLabel>(*w.form, "statusLabel")->text(),
                 chip_works ? QStringLiteral("CheckSum OK!!") : QStringLiteral("Verify Fail!!"));
        // Every control the run's steps reach shows its last value.
        QCOMPARE(Child<QProgressBar>(*w.form, "progressBar")->value(), chip_works ? 100 : 76);
        QCOMPARE(Child<QLabel>(*w.form, "percentLabel")->text(), chip_works ? QStringLiteral("100") : QStringLiteral("76"));
        uint32_t sum = 0;
        for (size_t i = 0; i < 2 * 65536; ++i) sum += i < image.size() ? image[i] : 0xFF;
        if (chip_works) QCOMPARE(Child<QLabel>(*w.form, "checksumLabel")->text(), QString::asprintf("%06X", sum));
        QCOMPARE(Child<QPlainTextEdit>(*w.form, "statusHistory")->toPlainText().split(QLatin1Char('\n')).first(),
                 QStringLiteral("EC ACK OK."));
        // The version is read again, after the EC has left follow mode, only when the run passed;
        // a restart writes the run's files first, the version record with a fresh read among them.
        const auto& trace = w.rig.device.ec_trace();
        const auto left = std::find_if(trace.begin(), trace.end(),
                                       [](const sim::EcEvent& e) { return e.kind == sim::EcEvent::LeaveFollow; });
        QVERIFY(left != trace.end());
        QCOMPARE(std::count(left, trace.end(), sim::EcEvent{sim::EcEvent::Command, 0x85}), (chip_works ? 1 : 0) + restarts);
        QCOMPARE(w.stand_ins.restarts, restarts);
        QVERIFY(Child<QPushButton>(*w.form, "flashButton")->isEnabled());
        QVERIFY(Child<QPushButton>(*w.form, "loadImageButton")->isEnabled());
        QVERIFY(clock.slept_ms() > 0);  // paced by the injectable clock, never for real
    }

    void unattendedRunFlashesBinNameAndLogsTheOutcome() {
        ManualClock clock(1);
        ScopedClock clock_guard(clock);
        IniValues ini;
        ini.bin_name = "EC";
        StartedWindow w(&ini);
        const std::vector<uint8_t> image = Image(1000);
        WriteImage("EC.Bin", image);

        QVERIFY(w.form->RealRunAutoFlash());
        QCOMPARE(ReadTextFile("Flash_log.txt").value_or(""), std::string("PASS\n"));
        QCOMPARE(Child<QLabel>(*w.form, "filePathLabel")->text(), QStringLiteral("USE EC.Bin"));
        QVERIFY(FlashStartsWith(w.rig.device, image));
    }

    // A 2 MiB flash runs for seconds; meanwhile the window's timers keep running, a close is
    // refused with a reason, and the run ends as it would have without either.
    void windowKeepsRunningDuringALongFlash() {
        // The run's own pauses take a quarter of their time for real: were any of them on the
        // window's thread, the timer below would see it.
        PacedClock clock(4);
        ScopedClock clock_guard(clock);
        IniValues ini;
        ini.bin_name = "EC";
        sim::Config chip;
        chip.jedec_id = std::array<uint8_t, 3>{0xEF, 0x40, 0x15};  // 2 MiB, so the backup is 2 MiB too
        StartedWindow w(&ini, chip);
        const std::vector<uint8_t> image = Image(2u << 20);
        WriteImage("EC.Bin", image);

        QElapsedTimer since_last;
        qint64 max_gap_ms = 0;
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            if (!w.form->FlashRunning()) return;
            if (ticks++ > 0) max_gap_ms = std::max(max_gap_ms, since_last.elapsed());
            since_last.start();
        });
        ticker.start(5);
        bool close_accepted = true;
        bool close_tried = false;
        QTimer::singleShot(300, [&] {
            close_tried = w.form->FlashRunning();
            close_accepted = w.form->close();
        });
        QElapsedTimer run;
        run.start();
        QVERIFY(w.form->RealRunAutoFlash());
        const qint64 run_ms = run.elapsed();
        ticker.stop();
        qInfo("2 MiB flash through the window: %lld ms, %d timer ticks, longest gap %lld ms", run_ms, ticks,
              max_gap_ms);

        QVERIFY(run_ms > 1000);
        QVERIFY(ticks > 50);
        QVERIFY2(max_gap_ms <= 100, qPrintable(QString::number(max_gap_ms)));
        QVERIFY(close_tried);
        QVERIFY(!close_accepted);
        QVERIFY(w.form->isVisible());
        QCOMPARE(w.boxes.Texts().size(), 1);
        QVERIFY(w.boxes.Texts().front().contains(QStringLiteral("being flashed")));
        QCOMPARE(ReadTextFile("Flash_log.txt").value_or(""), std::string("PASS\n"));
        QVERIFY(FlashStartsWith(w.rig.device, image));
        QCOMPARE(Child<QLabel>(*w.form, "statusLabel")->text(), QStringLiteral("CheckSum OK!!"));
        QVERIFY(!w.form->FlashRunning());
        QVERIFY(w.form->close());  // once the flash is over
    }

    // The flash's thread starts only while the port library is open, so it always inherits
    // the rights the opening granted.
    void flashThreadStartsOnlyAfterThePortLibraryOpened() {
        ManualClock clock(1);
        ScopedClock clock_guard(clock);
        IniValues ini;
        ini.bin_name = "EC";
        StartedWindow w(&ini);
        WriteImage("EC.Bin", Image(1000));
        w.rig.device.EnableEcTrace(true);
        IO_Close();
        QVERIFY(!g_DriverOpen);
        std::FILE* image = std::fopen("EC.Bin", "rb");
        QVERIFY(image != nullptr);
        QVERIFY(!w.form->DoFlash(image));
        std::fclose(image);
        QVERIFY(w.rig.device.ec_trace().empty());
        QVERIFY(!w.form->FlashRunning());
    }

    void unattendedRunWithoutItsImageWritesNoLog() {
        IniValues ini;
        ini.bin_name = "";
        StartedWindow w(&ini);
        QVERIFY(!w.form->RealRunAutoFlash());
        QCOMPARE(w.boxes.Texts(), QStringList{"Can't read Bin file!!"});
        QVERIFY(!ReadTextFile("Flash_log.txt").has_value());
    }

    void unwatchedRunTellsStandardErrorWhatTheStatusLineSays() {
        // A silent run has nobody at the window: its script learns everything from standard
        // error, also that a good flash could not be logged.
        ManualClock clock(1);
        ScopedClock clock_guard(clock);
        IniValues ini;
        ini.silent_run = "1";
        ini.bin_name = "EC";
        StartedWindow w(&ini);
        WriteImage("EC.Bin", Image(1000));
        QDir().mkdir("Flash_log.txt");  // no file can be written in its place
        StderrCapture err;

        QVERIFY(!w.form->RealRunAutoFlash());
        QVERIFY(FlashStartsWith(w.rig.device, Image(1000)));
        const QStringList lines = err.Text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QVERIFY(lines.contains(QStringLiteral("Start flash!!")));
        QVERIFY(lines.contains(QStringLiteral("CheckSum OK!!")));
        QCOMPARE(lines.last(), QStringLiteral("Can't write Flash_log.txt!!"));
        QCOMPARE(Child<QLabel>(*w.form, "statusLabel")->text(), QStringLiteral("Can't write Flash_log.txt!!"));
    }

    void failedRestartRequestIsReported_data() {
        QTest::addColumn<bool>("command_succeeds");
        QTest::newRow("restart command succeeds") << true;
        QTest::newRow("restart command fails") << false;
    }
    void failedRestartRequestIsReported() {
        QFETCH(bool, command_succeeds);
        IniValues ini;
        ini.silent_run = "1";
        StartedWindow w(&ini);
        static bool succeeds;
        succeeds = command_succeeds;
        ScopedCommandRunner runner([](const std::vector<std::string>&) { return succeeds; });
        StderrCapture err;

        w.form->RealRestartSystem();

        const QString failed = QStringLiteral("Restart failed: ") +
                               QString::fromStdString(RestartCommand().front()) + QLatin1Char(' ');
        QCOMPARE(Child<QLabel>(*w.form, "statusLabel")->text().startsWith(failed), !command_succeeds);
        QCOMPARE(err.Text().startsWith(failed), !command_succeeds);
    }

    void binChecksumShowsTheSumOfWholeChunks() {
        StartedWindow w(nullptr);
        Click(*w.form, "binChecksumButton");
        QCOMPARE(w.boxes.Texts(), QStringList{"Not get BIN FILE!"});
        QCOMPARE(Child<QLabel>(*w.form, "binChecksumLabel")->text(), QStringLiteral("0000"));

        WriteImage("one.bin", {0x00});
        LoadImage(w, "one.bin");
        Click(*w.form, "binChecksumButton");
        QCOMPARE(Child<QLabel>(*w.form, "binChecksumLabel")->text(), QStringLiteral("16711425"));
    }

    void romChecksumReadsTheSizeSetWithItsButton() {
        StartedWindow w(nullptr);
        uint32_t sum = 0;
        for (size_t i = 0; i < 4 * 65536; ++i) {
            w.rig.device.flash()[i] = static_cast<uint8_t>(i);
            sum += static_cast<uint8_t>(i);
        }
        Child<QLineEdit>(*w.form, "romSizeEdit")->setText("zz");
        Click(*w.form, "romSizeSetButton");
        QCOMPARE(w.boxes.Texts(), QStringList{"'zz' is not a valid integer value."});
        QCOMPARE(w.form->RomSizeK(), 128);

        Child<QLineEdit>(*w.form, "romSizeEdit")->setText("256");
        Click(*w.form, "romSizeSetButton");
        Click(*w.form, "romChecksumButton");
        QCOMPARE(Child<QLabel>(*w.form, "romChecksumLabel")->text(), QString::number(static_cast<int32_t>(sum)));
        QCOMPARE(ReadFile("LoadRom.bin").value_or("").size(), size_t{4 * 65536});
    }

    void romChecksumReportsARefusedFollowMode() {
        sim::Config config;
        config.flash_mode_reply = 0x00;
        StartedWindow w(nullptr, config);
        Click(*w.form, "romChecksumButton");
        QCOMPARE(w.boxes.Texts(), QStringList{"EC ACK Fail !"});
        QCOMPARE(Child<QLabel>(*w.form, "romChecksumLabel")->text(), QStringLiteral("0000"));
    }
};

QTEST_MAIN(FlashFrontendTest)
#include "flash_frontend_test.moc"
