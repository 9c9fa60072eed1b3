// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/commands.h"
#include "platform/signal_hold.h"
#include "platform/staged_temporaries.h"
#include "platform/standard_descriptors.h"

int main(int argc, char** argv) {
    MakeStandardDescriptorsSafe();
    // Output into a closed pipe or a full file must not end a flash half-way; ignored first,
    // so the temporaries' clean-up leaves these two alone.
    IgnoreWriteSignals();
    RemoveTemporariesOnTerminatingSignals();
    return RunCli(argc, argv);
}
