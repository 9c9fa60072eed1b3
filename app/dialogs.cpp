// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include "app/run_mode.h"

namespace dialogs {
namespace {

Hook* g_Hook = nullptr;
QPointer<QWidget> g_Owner;
QString g_Title;
std::function<void()> g_OwnBoxClosed;
std::chrono::milliseconds g_UnwatchedBoxTimeout{5000};
bool g_BoxesWithoutScreen = false;

// Offscreen and minimal platforms have nobody to press a button: a modal box would wait
// forever, so its text goes to standard error and the run goes on as if OK was pressed.
bool NoScreen() { return !g_BoxesWithoutScreen && WindowlessPlatform(); }

void Show(const Box& box, QMessageBox::Icon icon, QMessageBox::StandardButton button) {
    // The script that started an unattended run reads standard error, not the screen.
    if (NobodyWatching() || NoScreen()) WriteErrorLine(box.text);
    if (g_Hook != nullptr) {
        g_Hook->OnBox(box);
        return;
    }
    if (NoScreen()) return;
    QMessageBox message_box(icon, box.caption, box.text, button, g_Owner.data());
    message_box.setDefaultButton(button);
    // A box nobody may be there to close answers itself, so the run cannot wait forever.
    if (NobodyWatching())
        QTimer::singleShot(g_UnwatchedBoxTimeout, &message_box, [&message_box, button] { message_box.done(button); });
    message_box.exec();
}

}  // namespace

bool WindowlessPlatform() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

ScopedHook::ScopedHook(Hook& hook) : previous_(g_Hook) {
    g_Hook = &hook;
}

ScopedHook::~ScopedHook() { g_Hook = previous_; }

QString DefaultTitleFor(const QString& program_path) {
    const QString name = QFileInfo(program_path).completeBaseName();
    return name.left(1) + name.mid(1).toLower();
}

QString DefaultApplicationTitle() { return DefaultTitleFor(QCoreApplication::applicationFilePath()); }

void SetApplicationTitle(const QString& title) { g_Title = title; }

QString ApplicationTitle() { return g_Title.isNull() ? DefaultApplicationTitle() : g_Title; }

void SetBoxOwner(QWidget* owner) { g_Owner = owner; }

void ShowMessage(const QString& text) {
    Show({BoxKind::Message, ApplicationTitle(), text}, QMessageBox::NoIcon, QMessageBox::Ok);
    if (g_OwnBoxClosed) g_OwnBoxClosed();
}

QString ErrorBoxText(const QString& text) {
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) return text + QLatin1Char('.');
    return text;
}

void ShowError(const QString& text) {
    Show({BoxKind::Error, ApplicationTitle(), ErrorBoxText(text)}, QMessageBox::Critical, QMessageBox::Ok);
    if (g_OwnBoxClosed) g_OwnBoxClosed();
}

void ShowSystemWarning(const QString& text, const QString& caption) {
    Show({BoxKind::SystemWarning, caption, text}, QMessageBox::Warning, QMessageBox::Ok);
}

void ShowThemeMissing(const QString& style_name) {
    Show({BoxKind::ThemeMissing, ApplicationTitle(), QStringLiteral("Style '%1' not found").arg(style_name)},
         QMessageBox::Critical, QMessageBox::Close);
}

std::optional<QString> OpenFile(QWidget* parent, const QString& filter) {
    if (g_Hook != nullptr) return g_Hook->OnOpenFile(filter);
    if (NoScreen()) return std::nullopt;
    const QString path = QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
    if (path.isEmpty()) return std::nullopt;
    return path;
}

void SetOwnBoxClosedHandler(std::function<void()> handler) { g_OwnBoxClosed = std::move(handler); }

void SetUnwatchedBoxTimeout(std::chrono::milliseconds timeout) { g_UnwatchedBoxTimeout = timeout; }

void ShowBoxesWithoutScreen(bool show) { g_BoxesWithoutScreen = show; }

}  // namespace dialogs
