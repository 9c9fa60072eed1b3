#pragma once

/// vantu-cli from its arguments to its exit status (see cli/exit_status.h).
int RunCli(int argc, char** argv);
