// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/theme.h"

#include <QApplication>
#include <QFile>
#include <QVariant>
#include <QWidget>
#include <cmath>

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

namespace {

constexpr double kDesignPixelsPerPoint = 96.0 / 72.0;

// Gives `widget` its font explicitly: what the description sets for it, the rest taken
// from `inherited`. A style sheet stops fonts from passing to children by themselves.
void UsePixelFont(QWidget* widget, const QFont& inherited) {
    QFont font = widget->testAttribute(Qt::WA_SetFont) ? widget->font().resolve(inherited) : inherited;
    if (font.pointSizeF() > 0)
        font.setPixelSize(static_cast<int>(std::lround(font.pointSizeF() * kDesignPixelsPerPoint)));
    const QVariant stretch = widget->property("fontStretch");
    if (stretch.isValid()) font.setStretch(stretch.toInt());
    widget->setFont(font);
    for (QObject* child : widget->children()) {
        if (auto* child_widget = qobject_cast<QWidget*>(child); child_widget && !child_widget->isWindow())
            UsePixelFont(child_widget, font);
    }
}

}  // namespace

void UsePixelFonts(QWidget* root) { UsePixelFont(root, root->font()); }
