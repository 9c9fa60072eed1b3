// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/input_drain.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

UserInputDrain::UserInputDrain(QWidget& window) : window_(window) {
    QCoreApplication::instance()->installEventFilter(this);
}

UserInputDrain::~UserInputDrain() {
    QCoreApplication::processEvents();
    QCoreApplication::instance()->removeEventFilter(this);
}

bool UserInputDrain::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel: {
        // Only the main window's own input: a box shown meanwhile must still be answerable.
        auto* widget = qobject_cast<QWidget*>(watched);
        return widget != nullptr && widget->window() == &window_;
    }
    default:
        return false;
    }
}
