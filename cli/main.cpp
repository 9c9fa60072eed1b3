#include "cli/run_cli.h"
#include "hw/staged_temporaries.h"
#include "hw/standard_descriptors.h"

int main(int argc, char** argv) {
    MakeStandardDescriptorsSafe();
    RemoveTemporariesOnTerminatingSignals();
    return RunCli(argc, argv);
}
