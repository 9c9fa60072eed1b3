#pragma once
// While a flash runs the message loop does not, so clicks and keys aimed at the window wait
// in the queue and would reach the buttons once they are enabled again: a click on the
// disabled Flash button would start a second flash. This guard drops them instead.

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
