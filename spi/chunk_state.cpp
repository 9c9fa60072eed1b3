#include "spi/chunk_state.h"

uint8_t* g_LowHalf = nullptr;
uint8_t* g_HighHalf = nullptr;
uint32_t g_FileSize = 0;
uint32_t g_BytesDone = 0;
std::FILE* g_ProgressOut = stdout;

void SPI_PrintProgressMark() { std::fprintf(g_ProgressOut, "%c", 219); }

void SPI_PrintProgressText(const char* text) { std::fputs(text, g_ProgressOut); }
