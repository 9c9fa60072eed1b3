#include "spi/chunk_state.h"

uint8_t* g_LowHalf = nullptr;
uint8_t* g_HighHalf = nullptr;
uint32_t g_FileSize = 0;
uint32_t g_BytesDone = 0;
