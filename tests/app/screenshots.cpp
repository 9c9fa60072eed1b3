// SPDX-License-Identifier: GPL-3.0-or-later
// Renders each tab of the window, themed, to PNG files so that a person can look at the
// layout: main.png, setting.png, about.png, expanded.png (status history in view) and
// main_default_look.png (without the theme). Runs under any Qt platform, offscreen included.
// Usage: app_screenshots <output directory>

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "app/main_window.h"
#include "app/theme.h"
#include "hw/port_io.h"
#include "sim/in_process.h"

namespace {

// Every option group in view: version check ticked, read from BRAM.
void WriteSettings() {
    std::ofstream file("uiset.ini", std::ios::binary);
    file << "[Info]\r\nACPI PORT=0x62\r\nFW VERSION SHOW=1\r\nHEX DISPLAY=0\r\nRead Method=1\r\nIO=0\r\n"
            "BRAM BANK=0\r\nRead BYTES=0\r\nBRAM Start index=0x0\r\nFlashEnd CMD=0xFE\r\nAutoFlash=0\r\n"
            "Warring Show=0\r\nSilentRun=0\r\nBinName=EC\r\nShutdown=0\r\nEND";
}

bool Save(QWidget& form, const QDir& out, const char* name) {
    const QString path = out.filePath(QString::fromLatin1(name));
    const bool saved = form.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(path));
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Absolute: the window works in a directory of its own.
    const QDir out(QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots")).absolutePath());
    QDir().mkpath(out.path());

    QTemporaryDir work;  // the window reads and writes its files in the current directory
    const QString previous = QDir::currentPath();
    QDir::setCurrent(work.path());
    WriteSettings();
    sim::Config config;
    config.bram[0] = 1;
    config.bram[1] = 42;
    sim::Device device(config);
    sim::InProcess io(device);
    g_DriverOpen = false;  // opened by the window, as at program start

    ApplyTheme(app, QString::fromLatin1(kThemeName));
    bool all_saved = true;
    {
        MainWindow form;
        form.show();
        QApplication::processEvents();
        auto* tabs = form.findChild<QTabWidget*>(QStringLiteral("tabWidget"));
        const char* pages[] = {"main.png", "setting.png", "about.png"};
        for (int page = 0; page < 3; ++page) {
            tabs->setCurrentIndex(page);
            all_saved &= Save(form, out, pages[page]);
        }
        tabs->setCurrentIndex(0);
        form.onStatusDoubleClicked();
        auto* memo = form.findChild<QPlainTextEdit*>(QStringLiteral("statusHistory"));
        for (const char* line : {"EC ACK OK.", "Start flash!!", "Start Block....", "Check Block....", "Start Programming....", "Start Verify....", "Verify OK!!", "CheckSum OK!!"})
            memo->appendPlainText(QString::fromLatin1(line));
        all_saved &= Save(form, out, "expanded.png");
    }
    app.setStyleSheet(QString());  // as when the theme is missing
    {
        MainWindow form;
        form.show();
        QApplication::processEvents();
        all_saved &= Save(form, out, "main_default_look.png");
    }
    QDir::setCurrent(previous);
    return all_saved ? 0 : 1;
}
