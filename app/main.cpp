#include <QApplication>

#include "app/Unit1.h"
#include "app/app_main.h"

int main(int argc, char** argv) {
    ChooseWindowlessPlatformWithoutDisplay();
    QApplication app(argc, argv);
    return RunVantu(app, [] { return std::make_unique<TForm1>(); }, ScreenOfPlatform());
}
