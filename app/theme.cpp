// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/theme.h"

#include <QApplication>
#include <QFile>

#include "app/dialogs.h"

// Resources of a static library are registered only when something refers to them.
static void RegisterThemeResources() { Q_INIT_RESOURCE(theme); }

bool ApplyTheme(QApplication& app, const QString& name) {
    RegisterThemeResources();
    QFile sheet(QStringLiteral(":/styles/%1.qss").arg(name));
    if (!sheet.open(QIODevice::ReadOnly)) {
        dialogs::ShowThemeMissing(name);
        return false;
    }
    app.setStyleSheet(QString::fromUtf8(sheet.readAll()));
    return true;
}
