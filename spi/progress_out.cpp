#include "spi/progress_out.h"

std::FILE* g_ProgressOut = stdout;

void SPI_PrintProgressMark() { std::fprintf(g_ProgressOut, "%c", 219); }

void SPI_PrintProgressText(const char* text) { std::fputs(text, g_ProgressOut); }
