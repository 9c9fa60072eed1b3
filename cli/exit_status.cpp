// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/exit_status.h"

namespace {

constexpr ExitStatusDoc kDocs[] = {
    {ExitStatus::Passed,
     "passed: the command did all it was asked (a write that found every chunk already in place says "
     "nothing was written)"},
    {ExitStatus::Failed, "flash or verify failed: an erase, program, read or comparison failed, or the flash "
                         "differs from the image"},
    {ExitStatus::Usage, "usage error: an unknown command or option, a bad value, a file that cannot be read "
                        "or written, or a write without --yes where nobody can confirm it"},
    {ExitStatus::Refused, "refused before anything was written: a safety check (another flash holds the lock, "
                          "image too large for the chip, no EC answering, battery too low, port or end "
                          "command out of range), or the confirmation was declined"},
    {ExitStatus::NoPortAccess, "no port access: the port library is missing or its driver refused access "
                               "(run as root, or check the library)"},
};

}  // namespace

std::span<const ExitStatusDoc> ExitStatusDocs() { return kDocs; }
