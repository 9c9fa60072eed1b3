#include "app/app_main.h"

#include <QApplication>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "app/run_mode.h"
#include "app/theme.h"

namespace {
constexpr const char* kApplicationTitle = "Vantu";
}

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

int RunVantu(QApplication& app, const FormFactory& create_form, Screen screen) {
    SetRunMode(RunMode::Unknown, false);
    try {
        // Boxes shown while the window is being created carry the platform's default title.
        dialogs::SetApplicationTitle(dialogs::DefaultApplicationTitle());
        ApplyTheme(app, QString::fromLatin1(kThemeName));
        const std::unique_ptr<TForm1> form = create_form();
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
