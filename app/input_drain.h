// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// While a flash runs, clicks and keys aimed at the window keep arriving; delivered, or kept
// until the buttons are enabled again, a click on the Flash button would start a second
// flash. This guard drops them instead.

#include <QObject>

class QWidget;

class UserInputDrain : public QObject {
public:
    /// Input aimed at `window` and its controls is dropped from now on.
    explicit UserInputDrain(QWidget& window);
    /// Delivers whatever input queued up meanwhile (and drops it), then lets input through again.
    ~UserInputDrain() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& window_;
};
