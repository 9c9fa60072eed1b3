// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/app_main.h"

#include <QApplication>

#include <cstdio>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "app/dialogs.h"
#include "app/run_mode.h"
#include "app/theme.h"
#include "hw/ec_ports.h"
#include "hw/port_recording.h"

namespace {
constexpr const char* kApplicationTitle = "Vantu";

const char* RunModeName(RunMode mode) {
    switch (mode) {
        case RunMode::Interactive: return "window, interactive";
        case RunMode::Unattended: return "window, unattended (AutoFlash)";
        case RunMode::Unknown: break;
    }
    return "window, settings not read";
}

PortRecordHeader WindowRecordHeader(const QApplication& app, const std::string& ending, const EcPorts& ports) {
    PortRecordHeader header{{"program", std::string("vantu ") + VANTU_VERSION}};
    const QStringList arguments = app.arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) header.emplace_back("argument", arguments[i].toStdString());
    header.emplace_back("run mode", RunModeName(CurrentRunMode()));
    char settings[64];
    std::snprintf(settings, sizeof settings, "data port %X, command port %X", ports.data, ports.command);
    header.emplace_back("settings", settings);
    header.emplace_back("exit status", ending);
    return header;
}

// VANTU_RECORD names a record of every port access of the run; it is saved as the window
// ends, and before a restart of the machine would end it.
std::unique_ptr<PortRecording> StartRecording(const QApplication& app) {
    const QString path = qEnvironmentVariable(kRecordEnvironmentVariable);
    if (path.isEmpty()) return nullptr;
    auto recording = std::make_unique<PortRecording>(path.toStdString());
    recording->SetHeader(WindowRecordHeader(app, "saved before a restart of the machine", EcPorts{}));
    return recording;
}

void SaveRecording(const QApplication& app, PortRecording* recording, int status, const EcPorts& ports) {
    std::string error;
    if (recording != nullptr && !recording->Save(WindowRecordHeader(app, std::to_string(status), ports), error))
        WriteErrorLine(QString::fromStdString(error));
}

int RunWindow(QApplication& app, const MainWindowFactory& create_form, Screen screen, EcPorts& ports_used) {
    try {
        // Boxes shown while the window is being created carry the platform's default title.
        dialogs::SetApplicationTitle(dialogs::DefaultApplicationTitle());
        ApplyTheme(app, QString::fromLatin1(kThemeName));
        const std::unique_ptr<MainWindow> form = create_form();
        // The record names the ports the window's EC work went to.
        struct KeepPorts {
            const MainWindow& form;
            EcPorts& out;
            ~KeepPorts() { out = form.ports(); }
        } keep_ports{*form, ports_used};
        dialogs::SetApplicationTitle(QString::fromLatin1(kApplicationTitle));
        if (form->EndsAtStart()) return form->RequestedExitStatus().value_or(0);
        if (screen == Screen::Absent) {
            if (const std::optional<QString> reason = form->WhyAPersonIsNeeded()) {
                WriteErrorLine(QStringLiteral("No screen: %1; ended.").arg(*reason));
                return kNoScreenStatus;
            }
        }
        form->show();
        const int loop_status = QApplication::exec();
        // The run that asked for the end decides the status, whatever ended the loop.
        return form->RequestedExitStatus().value_or(loop_status);
    } catch (...) {
        return EndAbnormally(CurrentErrorText());
    }
}

}  // namespace

void ChooseWindowlessPlatformWithoutDisplay() {
#if defined(__linux__)
    // Without this the platform plugin cannot connect and ends the process before the
    // program could say or record anything.
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
}

Screen ScreenOfPlatform() { return dialogs::WindowlessPlatform() ? Screen::Absent : Screen::Present; }

int RunVantu(QApplication& app, const MainWindowFactory& create_form, Screen screen) {
    SetRunMode(RunMode::Unknown, false);
    const std::unique_ptr<PortRecording> recording = StartRecording(app);
    EcPorts ports_used;
    const int status = RunWindow(app, create_form, screen, ports_used);
    SaveRecording(app, recording.get(), status, ports_used);
    return status;
}

