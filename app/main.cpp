#include <QApplication>

#include "app/Unit1.h"
#include "app/app_main.h"
#include "hw/staged_temporaries.h"
#include "hw/standard_descriptors.h"

int main(int argc, char** argv) {
    MakeStandardDescriptorsSafe();
    RemoveTemporariesOnTerminatingSignals();
    ChooseWindowlessPlatformWithoutDisplay();
    QApplication app(argc, argv);
    return RunVantu(app, [] { return std::make_unique<TForm1>(); }, ScreenOfPlatform());
}
