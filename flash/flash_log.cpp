#include "flash/flash_log.h"

#include "hw/atomic_file.h"

bool WriteFlashLog(const char* path, bool passed) { return ReplaceFileAtomically(path, passed ? "PASS\n" : "Fail\n"); }

