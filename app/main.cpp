#include <QApplication>

#include "app/Unit1.h"
#include "app/app_main.h"
#include "hw/signal_hold.h"

int main(int argc, char** argv) {
    // Output into a closed pipe or a full file must not end a flash half-way.
    IgnoreWriteSignals();
    ChooseWindowlessPlatformWithoutDisplay();
    QApplication app(argc, argv);
    return RunVantu(app, [] { return std::make_unique<TForm1>(); }, ScreenOfPlatform());
}
