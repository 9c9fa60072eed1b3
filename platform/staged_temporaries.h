// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The temporary files of replacements under way, known to a signal handler: a program ended
// by a signal must not leave "out.bin.tmp.<pid>.0" files behind.

/// Notes a temporary file's name; the text must stay valid until it is forgotten again.
void RegisterStagedTemporary(const char* path);
/// Forgets a name noted before (the file is renamed or removed).
void ForgetStagedTemporary(const char* path);

/// From now on a termination signal that would end the process first removes every noted
/// temporary file, then ends it as the signal asks. Signals this process ignores, or handles
/// itself, are left as they are. Nothing on Windows, which has no such signals.
void RemoveTemporariesOnTerminatingSignals();
