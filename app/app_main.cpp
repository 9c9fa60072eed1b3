#include "app/app_main.h"

#include <QApplication>
#include <exception>

#include "app/Unit1.h"
#include "app/dialogs.h"
#include "app/theme.h"

namespace {
constexpr const char* kApplicationTitle = "Vantu";
}

int RunVantu(QApplication& app, const FormFactory& create_form) {
    try {
        // Boxes shown while the window is being created carry the platform's default title.
        dialogs::SetApplicationTitle(dialogs::DefaultApplicationTitle());
        ApplyTheme(app, QString::fromLatin1(kThemeName));
        const std::unique_ptr<TForm1> form = create_form();
        dialogs::SetApplicationTitle(QString::fromLatin1(kApplicationTitle));
        if (form->EndsAtStart()) return form->RequestedExitStatus().value_or(0);
        form->show();
        const int loop_status = QApplication::exec();
        // The run that asked for the end decides the status, whatever ended the loop.
        return form->RequestedExitStatus().value_or(loop_status);
    } catch (const std::exception& error) {
        dialogs::ShowError(QString::fromLocal8Bit(error.what()));
        return 0;
    }
}
