// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether this process holds the administrator rights raw port access needs, asked before
// anything else of a session is touched: on Windows a console that was not elevated would
// otherwise fail at the machine-wide lock or at the driver, with a reason that misleads.

#include "platform/scoped_override.h"

/// True when the process runs with administrator rights: on Windows a token in which the
/// Administrators group is enabled (elevated under UAC). Elsewhere always true, since the
/// port library's own refusal tells what is missing.
bool RunsWithAdministratorRights();

/// Test seam: RunsWithAdministratorRights answers `granted` until the guard ends.
class ScopedAdministratorRights {
public:
    explicit ScopedAdministratorRights(bool granted);

private:
    ScopedOverride<int> answer_;
};
