// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program started with standard input, output or error closed would hand those numbers to
// the first files it opens, and its messages would then land in them (a firmware dump, a log).

/// Opens each of the three standard descriptors that is closed on the null device (/dev/null,
/// NUL on Windows), so that no file the program opens afterwards takes its place.
void MakeStandardDescriptorsSafe();
