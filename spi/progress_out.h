#pragma once
// Where the standard-output texts of programming and verify go: stdout, unless a test
// points it elsewhere to see the exact bytes.

#include <cstdint>
#include <cstdio>

extern std::FILE* g_ProgressOut;

/// A progress mark is written at every position within a 32 KB half that is a multiple of
/// this: eleven marks per half.
inline constexpr uint32_t kProgressMarkEvery = 3276;

/// Writes the progress character (code 219) with "%c".
void SPI_PrintProgressMark();
/// Writes `text` unchanged.
void SPI_PrintProgressText(const char* text);
