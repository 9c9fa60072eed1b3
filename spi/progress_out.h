#pragma once
// Where the standard-output texts of programming and verify go: stdout, unless a test
// points it elsewhere to see the exact bytes.

#include <cstdio>

extern std::FILE* g_ProgressOut;

/// Writes the progress character (code 219) with "%c".
void SPI_PrintProgressMark();
/// Writes `text` unchanged.
void SPI_PrintProgressText(const char* text);
