// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/administrator_rights.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

constexpr int kAskTheSystem = -1;
int g_Answer = kAskTheSystem;  // 0 or 1 while a test decides

bool SystemGrantsAdministratorRights() {
#ifdef _WIN32
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size)) return false;
    // Under UAC a console that was not elevated holds the group for deny only: no member then.
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, sid, &member) && member;
#else
    return true;
#endif
}

}  // namespace

bool RunsWithAdministratorRights() {
    return g_Answer == kAskTheSystem ? SystemGrantsAdministratorRights() : g_Answer == 1;
}

ScopedAdministratorRights::ScopedAdministratorRights(bool granted) : answer_(g_Answer, granted ? 1 : 0) {}
