#include "cli/run_cli.h"
#include "hw/signal_hold.h"

int main(int argc, char** argv) {
    // Output into a closed pipe or a full file must not end a flash half-way.
    IgnoreWriteSignals();
    return RunCli(argc, argv);
}
